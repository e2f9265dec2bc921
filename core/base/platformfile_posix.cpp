#include "platformfile.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmark::platformfile {

namespace {

// Written data is handed to the disk in pieces of this size while the job
// goes on computing, so that sync() finds little left to wait for.
constexpr qint64 WritebackPiece = qint64(8) << 20;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemReason(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Status systemFailure(const QString& path, int error = errno)
{
    return Status::fileFailure(path, systemReason(error));
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
        return Status::fileFailure(path, QStringLiteral("not a regular file"));
    return Status();
}

QByteArray identityOf(const struct stat& status)
{
    return QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino));
}

Status tooLarge(const QString& path, qint64 maxBytes)
{
    return Status::fileFailure(path, QStringLiteral("larger than %1 bytes").arg(maxBytes));
}

}  // namespace

ReadHandle::~ReadHandle()
{
    close();
}

// O_NONBLOCK keeps open() from waiting for a writer when the path is a FIFO;
// on a regular file it changes nothing.
Status ReadHandle::open(const QString& path)
{
    close();
    m_path = path;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemFailure(path);
    struct stat status = {};
    const Status regular = checkRegular(fd, path, status);
    if (regular.failed()) {
        ::close(fd);
        return regular;
    }
    m_handle = fd;
    m_size = status.st_size;
    m_identity = identityOf(status);
    return Status();
}

void ReadHandle::close()
{
    if (m_handle != Closed)
        ::close(int(m_handle));
    m_handle = Closed;
    m_identity.clear();
}

Status ReadHandle::readAt(qint64 offset, char* bytes, qint64 length, qint64& got)
{
    got = 0;
    while (got < length) {
        const ssize_t piece = ::pread(int(m_handle), bytes + got, size_t(length - got), off_t(offset + got));
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

NativeFile::~NativeFile()
{
    if (m_handle != Closed)
        ::close(int(m_handle));
}

Status NativeFile::failure() const
{
    return systemFailure(m_path);
}

// The advisory lock marks ownership: the system releases it when the owner
// dies, however it dies, so a lockable file is one nobody writes any more. A
// file system without such locks leaves the file unmarked, and
// removeIfAbandoned() then never takes it.
Status NativeFile::createNew(const QString& path)
{
    m_path = path;
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return failure();
    ::flock(fd, LOCK_EX | LOCK_NB);
    m_handle = fd;
    return Status();
}

Status NativeFile::write(const char* bytes, qint64 length)
{
    while (length > 0) {
        const ssize_t written = ::write(int(m_handle), bytes, size_t(length));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return failure();
        bytes += written;
        length -= written;
        countWritten(written);
    }
    return Status();
}

void NativeFile::countWritten(qint64 length)
{
    m_written += length;
    if (m_written - m_writtenBack >= WritebackPiece)
        startWritingBack();
}

void NativeFile::startWritingBack()
{
    if (m_written == m_writtenBack)
        return;
#ifdef __linux__
    // Only starts the writing; its result is the one sync() reports.
    ::sync_file_range(int(m_handle), off_t(m_writtenBack), off_t(m_written - m_writtenBack),
                      SYNC_FILE_RANGE_WRITE);
#endif
    m_writtenBack = m_written;
}

Status NativeFile::writeAt(qint64 offset, const char* bytes, qint64 length)
{
    while (length > 0) {
        const ssize_t written = ::pwrite(int(m_handle), bytes, size_t(length), off_t(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return failure();
        bytes += written;
        length -= written;
        offset += written;
    }
    return Status();
}

Status NativeFile::sync()
{
#ifdef __APPLE__
    // fsync() leaves the data in the drive's cache there; F_FULLFSYNC does not.
    if (::fcntl(int(m_handle), F_FULLFSYNC) == 0)
        return Status();
#endif
    return ::fsync(int(m_handle)) == 0 ? Status() : failure();
}

Status NativeFile::close()
{
    if (m_handle == Closed)
        return Status();
    const int fd = int(m_handle);
    m_handle = Closed;
    return ::close(fd) == 0 ? Status() : failure();
}

Status replaceFile(const QString& from, const QString& to)
{
    return ::rename(native(from).constData(), native(to).constData()) == 0 ? Status() : systemFailure(to);
}

Status canReplace(const QString&)
{
    return Status();
}

Status syncDirectory(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return systemFailure(path);
    // Some file systems cannot flush a directory and say so; nothing more can
    // be done there.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const int error = errno;
    ::close(fd);
    return synced ? Status() : systemFailure(path, error);
}

Status hardLink(const QString& existing, const QString& newName)
{
    return ::link(native(existing).constData(), native(newName).constData()) == 0 ? Status()
                                                                                  : systemFailure(newName);
}

Status readSmallFile(const QString& path, qint64 maxBytes, QByteArray& bytes)
{
    bytes.clear();
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ELOOP)  // a link, which is not followed
        return Status::fileFailure(path, QStringLiteral("not a regular file"));
    if (fd < 0)
        return systemFailure(path);
    struct stat status = {};
    Status result = checkRegular(fd, path, status);
    if (result.ok() && status.st_size > maxBytes)
        result = tooLarge(path, maxBytes);
    // One byte more than the size asks, to notice a file that grew meanwhile.
    bytes.resize(result.ok() ? qsizetype(status.st_size) + 1 : 0);
    qint64 got = 0;
    while (result.ok() && got < bytes.size()) {
        const ssize_t piece = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (piece < 0 && errno == EINTR)
            continue;
        if (piece < 0)
            result = systemFailure(path);
        if (piece <= 0)
            break;
        got += piece;
    }
    if (result.ok() && got > maxBytes)
        result = tooLarge(path, maxBytes);
    bytes.resize(result.ok() ? qsizetype(got) : 0);
    ::close(fd);
    return result;
}

bool isSpecialFile(const QString& path)
{
    struct stat status = {};
    return ::stat(native(path).constData(), &status) == 0 && !S_ISREG(status.st_mode)
           && !S_ISDIR(status.st_mode);
}

EntryKind entryKind(const QString& path)
{
    struct stat status = {};
    if (::lstat(native(path).constData(), &status) != 0)
        return EntryKind::Missing;
    if (S_ISREG(status.st_mode))
        return EntryKind::RegularFile;
    if (S_ISDIR(status.st_mode))
        return EntryKind::Directory;
    return S_ISLNK(status.st_mode) ? EntryKind::Link : EntryKind::Special;
}

QByteArray fileIdentity(const QString& path)
{
    struct stat status = {};
    return ::lstat(native(path).constData(), &status) == 0 ? identityOf(status) : QByteArray();
}

QByteArray followedIdentity(const QString& path)
{
    struct stat status = {};
    return ::stat(native(path).constData(), &status) == 0 ? identityOf(status) : QByteArray();
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void removeIfAbandoned(const QString& path)
{
    // Never waits on a special file that only looks like a part: it is left.
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    struct stat status = {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(native(path).constData());
    ::close(fd);
}

}  // namespace quillmark::platformfile
