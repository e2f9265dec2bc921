#include "platformfile.h"

#include <QDir>

#include <windows.h>

namespace quillmark::platformfile {

namespace {

std::wstring wide(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QString systemReason(DWORD error = GetLastError())
{
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    QString text =
        length > 0 ? QString::fromWCharArray(message, int(length)) : QStringLiteral("Unknown error");
    LocalFree(message);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))
           || text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

Status systemFailure(const QString& path, DWORD error = GetLastError())
{
    return Status::fileFailure(path, systemReason(error));
}

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

// Opens the entry itself, not what a link or junction leads to.
HANDLE openEntry(const QString& path, DWORD access)
{
    return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}

QByteArray identityOf(const BY_HANDLE_FILE_INFORMATION& information)
{
    const quint64 index = (quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return QByteArray::number(quint64(information.dwVolumeSerialNumber)) + ':' + QByteArray::number(index);
}

QByteArray identityOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    return GetFileInformationByHandle(handle, &information) ? identityOf(information) : QByteArray();
}

// Whether `handle` may be read as data: a file on a disk, not a directory,
// a pipe or a console that could keep a reader waiting.
Status checkRegular(HANDLE handle, const QString& path, bool linksAllowed)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return Status::fileFailure(path, QStringLiteral("not a regular file"));
    if (!GetFileInformationByHandle(handle, &information))
        return systemFailure(path);
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Status::fileFailure(path, QStringLiteral("Is a directory"));
    if (!linksAllowed && (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return Status::fileFailure(path, QStringLiteral("not a regular file"));
    return Status();
}

}  // namespace

ReadHandle::~ReadHandle()
{
    close();
}

Status ReadHandle::open(const QString& path)
{
    close();
    m_path = path;
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return systemFailure(path);
    LARGE_INTEGER size = {};
    Status result = checkRegular(handle, path, true);
    if (result.ok() && !GetFileSizeEx(handle, &size))
        result = systemFailure(path);
    if (result.failed()) {
        CloseHandle(handle);
        return result;
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    m_size = size.QuadPart;
    m_identity = identityOfHandle(handle);
    return Status();
}

void ReadHandle::close()
{
    if (m_handle != Closed)
        CloseHandle(handleOf(m_handle));
    m_handle = Closed;
    m_identity.clear();
}

Status ReadHandle::readAt(qint64 offset, char* bytes, qint64 length, qint64& got)
{
    got = 0;
    while (got < length) {
        OVERLAPPED at = {};
        const qint64 position = offset + got;
        at.Offset = DWORD(position & 0xffffffff);
        at.OffsetHigh = DWORD(position >> 32);
        const DWORD piece = DWORD(length - got < (1 << 30) ? length - got : (1 << 30));
        DWORD read = 0;
        if (!ReadFile(handleOf(m_handle), bytes + got, piece, &read, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            return systemFailure(m_path);
        }
        if (read == 0)
            break;
        got += read;
    }
    return Status();
}

NativeFile::~NativeFile()
{
    if (m_handle != Closed)
        CloseHandle(handleOf(m_handle));
}

Status NativeFile::failure() const
{
    return systemFailure(m_path);
}

// Opened without FILE_SHARE_DELETE: while it stays open, no other process can
// remove it, which is what marks it as owned.
Status NativeFile::createNew(const QString& path)
{
    m_path = path;
    const HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failure();
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return Status();
}

Status NativeFile::write(const char* bytes, qint64 length)
{
    while (length > 0) {
        const DWORD piece = DWORD(length < (1 << 30) ? length : (1 << 30));
        DWORD written = 0;
        if (!WriteFile(handleOf(m_handle), bytes, piece, &written, nullptr) || written == 0)
            return failure();
        bytes += written;
        length -= written;
        countWritten(written);
    }
    return Status();
}

// The system writes back on its own; sync() waits for what is left.
void NativeFile::countWritten(qint64 length)
{
    m_written += length;
    m_writtenBack = m_written;
}

void NativeFile::startWritingBack() {}

Status NativeFile::writeAt(qint64 offset, const char* bytes, qint64 length)
{
    LARGE_INTEGER here = {};
    LARGE_INTEGER target = {};
    target.QuadPart = offset;
    if (!SetFilePointerEx(handleOf(m_handle), LARGE_INTEGER{}, &here, FILE_CURRENT)
        || !SetFilePointerEx(handleOf(m_handle), target, nullptr, FILE_BEGIN))
        return failure();
    const Status written = write(bytes, length);
    if (!SetFilePointerEx(handleOf(m_handle), here, nullptr, FILE_BEGIN))
        return failure();
    return written;
}

Status NativeFile::sync()
{
    return FlushFileBuffers(handleOf(m_handle)) ? Status() : failure();
}

Status NativeFile::close()
{
    if (m_handle == Closed)
        return Status();
    const HANDLE handle = handleOf(m_handle);
    m_handle = Closed;
    return CloseHandle(handle) ? Status() : failure();
}

Status replaceFile(const QString& from, const QString& to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? Status()
               : systemFailure(to);
}

// Asking for the right to delete is what a rename over the file asks for:
// it is refused with a sharing violation while another handle does not share
// deletion.
Status canReplace(const QString& path)
{
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return systemFailure(path);
    CloseHandle(handle);
    return Status();
}

Status syncDirectory(const QString&)
{
    return Status();
}

Status hardLink(const QString& existing, const QString& newName)
{
    return CreateHardLinkW(wide(newName).c_str(), wide(existing).c_str(), nullptr) ? Status()
                                                                                   : systemFailure(newName);
}

Status readSmallFile(const QString& path, qint64 maxBytes, QByteArray& bytes)
{
    bytes.clear();
    const HANDLE handle = openEntry(path, GENERIC_READ);
    if (handle == INVALID_HANDLE_VALUE)
        return systemFailure(path);
    LARGE_INTEGER size = {};
    Status result = checkRegular(handle, path, false);
    if (result.ok() && !GetFileSizeEx(handle, &size))
        result = systemFailure(path);
    if (result.ok() && size.QuadPart > maxBytes)
        result = Status::fileFailure(path, QStringLiteral("larger than %1 bytes").arg(maxBytes));
    bytes.resize(result.ok() ? qsizetype(size.QuadPart) : 0);
    DWORD got = 0;
    if (result.ok() && !bytes.isEmpty()
        && !ReadFile(handle, bytes.data(), DWORD(bytes.size()), &got, nullptr))
        result = systemFailure(path);
    bytes.resize(result.ok() ? qsizetype(got) : 0);
    CloseHandle(handle);
    return result;
}

bool isSpecialFile(const QString& path)
{
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool special = GetFileType(handle) != FILE_TYPE_DISK;
    CloseHandle(handle);
    return special;
}

// A device name (NUL, CON) reaches a device from any folder: special, like
// anything that is no file on a disk.
EntryKind entryKind(const QString& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return isSpecialFile(path) ? EntryKind::Special : EntryKind::Missing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return EntryKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryKind::Directory;
    return isSpecialFile(path) ? EntryKind::Special : EntryKind::RegularFile;
}

QByteArray fileIdentity(const QString& path)
{
    const HANDLE handle = openEntry(path, 0);
    if (handle == INVALID_HANDLE_VALUE)
        return QByteArray();
    const QByteArray identity = identityOfHandle(handle);
    CloseHandle(handle);
    return identity;
}

QByteArray followedIdentity(const QString& path)
{
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return QByteArray();
    const QByteArray identity = identityOfHandle(handle);
    CloseHandle(handle);
    return identity;
}

// Windows has no such signal: a write past a limit simply fails.
void ignoreFileSizeSignal() {}

// An open file cannot be removed: its writer still owns it.
void removeIfAbandoned(const QString& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES
        && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        DeleteFileW(wide(path).c_str());
}

}  // namespace quillmark::platformfile
