#include "systemlock.h"

#include "systemerror.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmark::systemlock {

namespace {

// A lock file is a few short lines; anything longer is not read further.
constexpr qint64 MaxHolderText = 1024;
// How often a name that changes under the lock is looked at again before
// the lock counts as held by whoever keeps changing it.
constexpr int Attempts = 16;

Status systemFailure(const QString& path, int error = errno)
{
    return systemerror::failure(path, error);
}

// Whatever other than a regular file stands under the lock's name is taken
// away without being opened: a link would lead the lock elsewhere, a FIFO
// would keep the opener waiting. A directory cannot be, and fails.
Status clearNonFile(const QByteArray& name, const QString& path)
{
    struct stat status = {};
    if (::lstat(name.constData(), &status) != 0 || S_ISREG(status.st_mode))
        return Status();
    if (S_ISDIR(status.st_mode))
        return Status::fileFailure(Status::Kind::NotRegularFile, path, QStringLiteral("not a regular file"));
    if (::unlink(name.constData()) != 0 && errno != ENOENT)
        return systemFailure(path);
    return Status();
}

// The format QLockFile writes, so that a holder of either kind is named.
void writeHolder(int fd)
{
    const QByteArray text = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                            + QCoreApplication::applicationName().toUtf8() + '\n'
                            + QSysInfo::machineHostName().toUtf8() + '\n';
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, text.constData(), size_t(text.size()), 0);
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

class PosixLock final : public HeldLock
{
public:
    PosixLock(int fd, const QString& path) : m_fd(fd), m_path(path) {}
    // The name goes first, while the lock is still held: nobody takes the
    // file that is about to be let go.
    ~PosixLock() override
    {
        ::unlink(QFile::encodeName(m_path).constData());
        ::close(m_fd);
    }

private:
    int m_fd;
    QString m_path;
};

// One attempt on the file now at the name: locked (fd), held by another
// (-1, held), or gone meanwhile (-1, not held), or a failure.
Status lockOnce(const QByteArray& name, const QString& path, int& locked, bool& held)
{
    locked = -1;
    held = false;
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0 && (errno == ELOOP || errno == ENXIO || errno == EISDIR || errno == ENOENT))
        return Status();  // replaced by something else meanwhile
    if (fd < 0)
        return systemFailure(path);
    struct stat opened = {}, named = {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return Status();
    }
    int result = -1;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    // A file system without such locks (some network and FUSE ones) cannot
    // keep two jobs apart; the job goes on as the only one.
    const bool unsupported = result != 0 && (errno == ENOLCK || errno == EOPNOTSUPP);
    if (result != 0 && !unsupported) {
        const int error = errno;
        ::close(fd);
        held = error == EWOULDBLOCK;
        return held ? Status() : systemFailure(path, error);
    }
    // A holder removes the name as it lets go, so a file locked just after
    // that is no longer the lock.
    if (::lstat(name.constData(), &named) != 0 || !sameFile(opened, named)) {
        ::close(fd);
        return Status();
    }
    locked = fd;
    return Status();
}

}  // namespace

Status tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock)
{
    lock.reset();
    held = false;
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (const Status cleared = clearNonFile(name, path); cleared.failed())
            return cleared;
        int fd = -1;
        if (const Status locked = lockOnce(name, path, fd, held); locked.failed() || held)
            return locked;
        if (fd >= 0) {
            writeHolder(fd);
            lock = std::make_unique<PosixLock>(fd, path);
            return Status();
        }
    }
    // Whoever keeps changing the name holds the folder, for now.
    held = true;
    return Status();
}

Status holderOf(const QString& path, LockHolder& holder)
{
    holder = LockHolder();
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ELOOP || errno == ENXIO ? Status() : systemFailure(path);
    struct stat status = {};
    QByteArray text(MaxHolderText, '\0');
    ssize_t got = 0;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        got = ::pread(fd, text.data(), size_t(text.size()), 0);
    const int error = errno;
    ::close(fd);
    if (got < 0)
        return systemFailure(path, error);
    const QList<QByteArray> lines = text.left(qsizetype(got)).split('\n');
    holder.pid = lines.value(0).toLongLong();
    holder.application = QString::fromUtf8(lines.value(1));
    return Status();
}

}  // namespace quillmark::systemlock
