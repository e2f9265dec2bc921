#include "platformfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platformfile {

namespace {

// Written data is handed to the disk in pieces of this size while the job
// goes on computing, so that sync() finds little left to wait for.
constexpr std::int64_t WritebackPiece = std::int64_t(8) << 20;

std::string lastError()
{
    return std::strerror(errno);
}

bool failWith(std::string& error)
{
    error = lastError();
    return false;
}

}  // namespace

NativeFile::~NativeFile()
{
    close();
}

// The advisory lock marks ownership: the system releases it when the owner
// dies, however it dies, so a lockable file is one nobody writes any more. A
// file system without such locks leaves the file unmarked, and
// removeIfAbandoned() then never takes it.
bool NativeFile::createNew(const char* path)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return failWith(m_error);
    ::flock(fd, LOCK_EX | LOCK_NB);
    m_handle = fd;
    return true;
}

bool NativeFile::write(const char* bytes, std::int64_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(int(m_handle), bytes, size_t(length));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return failWith(m_error);
        bytes += written;
        length -= written;
        countWritten(written);
    }
    return true;
}

void NativeFile::countWritten(std::int64_t length)
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

bool NativeFile::writeAt(std::int64_t offset, const char* bytes, std::int64_t length)
{
    while (length > 0) {
        const ssize_t written = ::pwrite(int(m_handle), bytes, size_t(length), off_t(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return failWith(m_error);
        bytes += written;
        length -= written;
        offset += written;
    }
    return true;
}

bool NativeFile::sync()
{
#ifdef __APPLE__
    // fsync() leaves the data in the drive's cache there; F_FULLFSYNC does not.
    if (::fcntl(int(m_handle), F_FULLFSYNC) == 0)
        return true;
#endif
    return ::fsync(int(m_handle)) == 0 || failWith(m_error);
}

bool NativeFile::close()
{
    if (m_handle == Closed)
        return true;
    const int fd = int(m_handle);
    m_handle = Closed;
    return ::close(fd) == 0 || failWith(m_error);
}

bool replaceFile(const char* from, const char* to, std::string& error)
{
    return ::rename(from, to) == 0 || failWith(error);
}

bool canReplace(const char*, std::string&)
{
    return true;
}

bool syncDirectory(const char* path, std::string& error)
{
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return failWith(error);
    // Some file systems cannot flush a directory and say so; nothing more can
    // be done there.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    if (!synced)
        error = lastError();
    ::close(fd);
    return synced;
}

bool hardLink(const char* existing, const char* newName, std::string& error)
{
    return ::link(existing, newName) == 0 || failWith(error);
}

Removal removeIfAbandoned(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return Removal::Failed;
    Removal removal = Removal::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        removal = ::unlink(path) == 0 ? Removal::Removed : Removal::Failed;
    else if (errno == EWOULDBLOCK)
        removal = Removal::InUse;
    ::close(fd);
    return removal;
}

}  // namespace platformfile
