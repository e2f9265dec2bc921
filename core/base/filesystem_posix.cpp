// The system's file system on POSIX.

#include "filesystem.h"

#include "systemerror.h"
#include "systemfilesystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmark {

namespace {

// Written data is handed to the disk in pieces of this size while the job
// goes on computing, so that sync() finds little left to wait for.
constexpr qint64 WritebackPiece = qint64(8) << 20;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

Status systemFailure(const QString& path, int error = errno)
{
    return systemerror::failure(path, error);
}

Status::Kind kindOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return Status::Kind::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return Status::Kind::Permission;
    case ENOSPC:
    case EDQUOT:
        return Status::Kind::NoSpace;
    case EFBIG:
        return Status::Kind::TooLarge;
    case EISDIR:
        return Status::Kind::NotRegularFile;
    case ENOMEM:
        return Status::Kind::OutOfMemory;
    case EBUSY:
    case ETXTBSY:
        return Status::Kind::InUse;
    default:
        return Status::Kind::Other;
    }
}

QByteArray identityOf(const struct stat& status)
{
    return QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino));
}

// Whether what `fd` has open may be read as data: a regular file, not a
// directory or anything that could keep a reader waiting.
Status checkRegular(int fd, const QString& path, struct stat& status)
{
    if (::fstat(fd, &status) != 0)
        return systemFailure(path);
    if (S_ISDIR(status.st_mode))
        return systemFailure(path, EISDIR);
    if (!S_ISREG(status.st_mode))
        return Status::fileFailure(Status::Kind::NotRegularFile, path, QStringLiteral("not a regular file"));
    return Status();
}

class PosixReadableFile final : public ReadableFile
{
public:
    PosixReadableFile(int fd, const struct stat& status, const QString& path)
        : m_fd(fd), m_size(status.st_size), m_identity(identityOf(status)), m_path(path)
    {}
    ~PosixReadableFile() override { ::close(m_fd); }

    qint64 size() const override { return m_size; }
    QByteArray identity() const override { return m_identity; }

    Status readAt(qint64 offset, char* bytes, qint64 length, qint64& got) override
    {
        got = 0;
        while (got < length) {
            const ssize_t piece = ::pread(m_fd, bytes + got, size_t(length - got), off_t(offset + got));
            if (piece < 0 && errno == EINTR)
                continue;
            if (piece < 0)
                return systemFailure(m_path);
            if (piece == 0)
                break;
            got += piece;
        }
        return Status();
    }

private:
    int m_fd;
    qint64 m_size;
    QByteArray m_identity;
    QString m_path;
};

class PosixWritableFile final : public WritableFile
{
public:
    PosixWritableFile(int fd, const QString& path) : m_fd(fd), m_path(path) {}
    ~PosixWritableFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    Status write(const char* bytes, qint64 length) override
    {
        while (length > 0) {
            const ssize_t written = ::write(m_fd, bytes, size_t(length));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return systemFailure(m_path);
            bytes += written;
            length -= written;
            m_written += written;
            if (m_written - m_writtenBack >= WritebackPiece)
                startWritingBack();
        }
        return Status();
    }

    Status writeAt(qint64 offset, const char* bytes, qint64 length) override
    {
        while (length > 0) {
            const ssize_t written = ::pwrite(m_fd, bytes, size_t(length), off_t(offset));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return systemFailure(m_path);
            bytes += written;
            length -= written;
            offset += written;
        }
        return Status();
    }

    void startWritingBack() override
    {
        if (m_written == m_writtenBack)
            return;
#ifdef __linux__
        // Only starts the writing; its result is the one sync() reports.
        ::sync_file_range(m_fd, off_t(m_writtenBack), off_t(m_written - m_writtenBack),
                          SYNC_FILE_RANGE_WRITE);
#endif
        m_writtenBack = m_written;
    }

    Status sync() override
    {
#ifdef __APPLE__
        // fsync() leaves the data in the drive's cache there; F_FULLFSYNC does not.
        if (::fcntl(m_fd, F_FULLFSYNC) == 0)
            return Status();
#endif
        return ::fsync(m_fd) == 0 ? Status() : systemFailure(m_path);
    }

    Status close() override
    {
        if (m_fd < 0)
            return Status();
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? Status() : systemFailure(m_path);
    }

private:
    int m_fd;
    QString m_path;
    qint64 m_written = 0;      // through write()
    qint64 m_writtenBack = 0;  // handed to the disk ahead of sync()
};

// Whether a failed look at a path found nothing there, rather than failing.
bool foundNothing(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

// What lstat() or stat() says of a path: its kind, Missing when nothing is there.
Status kindFrom(int result, const struct stat& status, const QString& path, EntryKind& kind)
{
    kind = EntryKind::Missing;
    if (result != 0)
        return foundNothing(errno) ? Status() : systemFailure(path);
    if (S_ISREG(status.st_mode))
        kind = EntryKind::RegularFile;
    else if (S_ISDIR(status.st_mode))
        kind = EntryKind::Directory;
    else
        kind = S_ISLNK(status.st_mode) ? EntryKind::Link : EntryKind::Special;
    return Status();
}

Status identityFrom(int result, const struct stat& status, const QString& path, QByteArray& identity)
{
    identity = result == 0 ? identityOf(status) : QByteArray();
    return result == 0 || foundNothing(errno) ? Status() : systemFailure(path);
}

class PosixFileSystem final : public SystemFileSystem
{
public:
    // O_NONBLOCK keeps open() from waiting for a writer when the path is a
    // FIFO; on a regular file it changes nothing.
    Status openForReading(const QString& path, FinalLink link, std::unique_ptr<ReadableFile>& file) override
    {
        file.reset();
        const int noFollow = link == FinalLink::NotFollowed ? O_NOFOLLOW : 0;
        const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | noFollow);
        if (fd < 0 && errno == ELOOP && noFollow)  // a link, which is not followed
            return Status::fileFailure(Status::Kind::NotRegularFile, path,
                                       QStringLiteral("not a regular file"));
        if (fd < 0)
            return systemFailure(path);
        struct stat status = {};
        if (const Status regular = checkRegular(fd, path, status); regular.failed()) {
            ::close(fd);
            return regular;
        }
        file = std::make_unique<PosixReadableFile>(fd, status, path);
        return Status();
    }

    // The advisory lock marks ownership: the system releases it when the
    // owner dies, however it dies, so a lockable file is one nobody writes
    // any more. A file system without such locks leaves the file unmarked,
    // and ownedByWriter() then says it is owned.
    Status createNew(const QString& path, std::unique_ptr<WritableFile>& file) override
    {
        file.reset();
        const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            return systemFailure(path);
        ::flock(fd, LOCK_EX | LOCK_NB);
        file = std::make_unique<PosixWritableFile>(fd, path);
        return Status();
    }

    Status createFolder(const QString& path) override
    {
        return ::mkdir(native(path).constData(), 0777) == 0 ? Status() : systemFailure(path);
    }

    Status replace(const QString& from, const QString& to) override
    {
        return ::rename(native(from).constData(), native(to).constData()) == 0 ? Status() : systemFailure(to);
    }

    Status hardLink(const QString& existing, const QString& newName) override
    {
        return ::link(native(existing).constData(), native(newName).constData()) == 0
                   ? Status()
                   : systemFailure(newName);
    }

    Status copy(const QString& from, const QString& to) override
    {
        QFile source(from);
        if (source.copy(to))
            return Status();
        const Status::Kind kind = source.error() == QFileDevice::PermissionsError ? Status::Kind::Permission
                                  : source.error() == QFileDevice::ResourceError  ? Status::Kind::NoSpace
                                                                                  : Status::Kind::Other;
        return Status::fileFailure(kind, to, source.errorString());
    }

    Status remove(const QString& path) override
    {
        return ::unlink(native(path).constData()) == 0 || errno == ENOENT ? Status() : systemFailure(path);
    }

    Status syncDirectory(const QString& path) override
    {
        const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return systemFailure(path);
        // Some file systems cannot flush a directory and say so; nothing more
        // can be done there.
        const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
        const int error = errno;
        ::close(fd);
        return synced ? Status() : systemFailure(path, error);
    }

    Status setPermissions(const QString& path, quint32 bits) override
    {
        return ::chmod(native(path).constData(), mode_t(bits)) == 0 ? Status() : systemFailure(path);
    }

    Status entryKind(const QString& path, EntryKind& kind) override
    {
        struct stat status = {};
        return kindFrom(::lstat(native(path).constData(), &status), status, path, kind);
    }

    Status followedKind(const QString& path, EntryKind& kind) override
    {
        struct stat status = {};
        return kindFrom(::stat(native(path).constData(), &status), status, path, kind);
    }

    // Not writable by its permissions is an answer; anything else a failure.
    Status isWritable(const QString& path, bool& writable) override
    {
        writable = ::access(native(path).constData(), W_OK) == 0;
        return writable || errno == EACCES || errno == EROFS || errno == EPERM ? Status()
                                                                               : systemFailure(path);
    }

    Status permissions(const QString& path, std::optional<quint32>& bits) override
    {
        bits.reset();
        struct stat status = {};
        if (::stat(native(path).constData(), &status) != 0)
            return systemFailure(path);
        bits = quint32(status.st_mode & 07777);
        return Status();
    }

    Status identity(const QString& path, QByteArray& identity) override
    {
        struct stat status = {};
        return identityFrom(::lstat(native(path).constData(), &status), status, path, identity);
    }

    Status followedIdentity(const QString& path, QByteArray& identity) override
    {
        struct stat status = {};
        return identityFrom(::stat(native(path).constData(), &status), status, path, identity);
    }

    Status canonicalPath(const QString& path, QString& canonical) override;
    Status linkTarget(const QString& path, QString& target) override;
    Status entries(const QString& folder, QStringList& names) override;
    Status ownedByWriter(const QString& path, bool& owned) override;

    // A rename does not care who has the file open.
    Status checkReplaceable(const QString&) override { return Status(); }
};

}  // namespace

Status PosixFileSystem::canonicalPath(const QString& path, QString& canonical)
{
    canonical.clear();
    char* resolved = ::realpath(native(path).constData(), nullptr);
    if (!resolved)
        return foundNothing(errno) ? Status() : systemFailure(path);
    canonical = QFile::decodeName(resolved);
    ::free(resolved);
    return Status();
}

// A relative target is taken from the link's folder, as the system does.
Status PosixFileSystem::linkTarget(const QString& path, QString& target)
{
    target.clear();
    EntryKind kind = EntryKind::Missing;
    if (const Status looked = entryKind(path, kind); looked.failed() || kind != EntryKind::Link)
        return looked;
    QByteArray bytes(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink(native(path).constData(), bytes.data(), size_t(bytes.size()));
        if (length < 0)
            return systemFailure(path);
        if (length < bytes.size()) {
            bytes.truncate(qsizetype(length));
            break;
        }
        bytes.resize(bytes.size() * 2);
    }
    const QString named = QFile::decodeName(bytes);
    target = QDir::cleanPath(named.startsWith(QLatin1Char('/'))
                                 ? named
                                 : QFileInfo(path).absolutePath() + QLatin1Char('/') + named);
    return Status();
}

Status PosixFileSystem::entries(const QString& folder, QStringList& names)
{
    names.clear();
    DIR* directory = ::opendir(native(folder).constData());
    if (!directory)
        return systemFailure(folder);
    errno = 0;
    while (const struct dirent* entry = ::readdir(directory)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names << name;
    }
    const int error = errno;
    ::closedir(directory);
    names.sort();
    return error == 0 ? Status() : systemFailure(folder, error);
}

// Never waits on a special file that only looks like a part: only a regular
// file can be owned. A file system without such locks cannot say: owned.
Status PosixFileSystem::ownedByWriter(const QString& path, bool& owned)
{
    owned = false;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return foundNothing(errno) || errno == ELOOP ? Status() : systemFailure(path);
    struct stat status = {};
    Status result;
    if (::fstat(fd, &status) != 0)
        result = systemFailure(path);
    else if (S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        owned = true;
    ::close(fd);
    return result;
}

Status systemerror::failure(const QString& path, qint64 error)
{
    const int number = int(error);
    return Status::fileFailure(kindOf(number), path, QString::fromLocal8Bit(std::strerror(number)));
}

FileSystem& FileSystem::system()
{
    static PosixFileSystem fileSystem;
    return fileSystem;
}

}  // namespace quillmark
