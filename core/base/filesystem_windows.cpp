// The system's file system on Windows.

#include "filesystem.h"

#include "systemerror.h"
#include "systemfilesystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <windows.h>

namespace quillmark {

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
    return systemerror::failure(path, qint64(error));
}

Status::Kind kindOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return Status::Kind::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return Status::Kind::Permission;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Status::Kind::NoSpace;
    case ERROR_FILE_TOO_LARGE:
        return Status::Kind::TooLarge;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return Status::Kind::OutOfMemory;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return Status::Kind::InUse;
    default:
        return Status::Kind::Other;
    }
}

// Another program may hold a file for a moment (a virus scanner, an
// indexer, another job taking the file's identity), and the system then
// refuses to replace it. A few short waits, about a second in all, ride that
// out, as canReplace() does before a commit begins; a file held for longer
// still fails, with the system's error of the last try.
template <typename Call>
bool retriedWhileHeld(Call call)
{
    constexpr int Tries = 20;
    for (int attempt = 1;; ++attempt) {
        if (call())
            return true;
        const DWORD error = GetLastError();
        if (attempt == Tries || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION))
            return false;
        Sleep(DWORD(5 * attempt));
        SetLastError(error);
    }
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

// Opens the entry itself, not what a link or junction leads to.
HANDLE openEntry(const QString& path, DWORD access)
{
    return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}

// Opens what `path` leads to, a file or a folder, to look at it.
HANDLE openFollowed(const QString& path)
{
    return CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Whether `handle` may be read as data: a file on a disk, not a directory,
// a pipe or a console that could keep a reader waiting.
Status checkRegular(HANDLE handle, const QString& path, bool linksAllowed)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    const auto notRegular = [&path](const char* reason) {
        return Status::fileFailure(Status::Kind::NotRegularFile, path, QLatin1String(reason));
    };
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return notRegular("not a regular file");
    if (!GetFileInformationByHandle(handle, &information))
        return systemFailure(path);
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return notRegular("Is a directory");
    if (!linksAllowed && (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return notRegular("not a regular file");
    return Status();
}

class WindowsReadableFile final : public ReadableFile
{
public:
    WindowsReadableFile(HANDLE handle, qint64 size, const QString& path)
        : m_handle(handle), m_size(size), m_identity(identityOfHandle(handle)), m_path(path)
    {}
    ~WindowsReadableFile() override { CloseHandle(m_handle); }

    qint64 size() const override { return m_size; }
    QByteArray identity() const override { return m_identity; }

    Status readAt(qint64 offset, char* bytes, qint64 length, qint64& got) override
    {
        got = 0;
        while (got < length) {
            OVERLAPPED at = {};
            const qint64 position = offset + got;
            at.Offset = DWORD(position & 0xffffffff);
            at.OffsetHigh = DWORD(position >> 32);
            const DWORD piece = DWORD(length - got < (1 << 30) ? length - got : (1 << 30));
            DWORD read = 0;
            if (!ReadFile(m_handle, bytes + got, piece, &read, &at)) {
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

private:
    HANDLE m_handle;
    qint64 m_size;
    QByteArray m_identity;
    QString m_path;
};

// The system writes back on its own; sync() waits for what is left.
class WindowsWritableFile final : public WritableFile
{
public:
    WindowsWritableFile(HANDLE handle, const QString& path) : m_handle(handle), m_path(path) {}
    ~WindowsWritableFile() override
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }

    Status write(const char* bytes, qint64 length) override
    {
        while (length > 0) {
            const DWORD piece = DWORD(length < (1 << 30) ? length : (1 << 30));
            DWORD written = 0;
            if (!WriteFile(m_handle, bytes, piece, &written, nullptr) || written == 0)
                return systemFailure(m_path);
            bytes += written;
            length -= written;
        }
        return Status();
    }

    Status writeAt(qint64 offset, const char* bytes, qint64 length) override
    {
        LARGE_INTEGER here = {};
        LARGE_INTEGER target = {};
        target.QuadPart = offset;
        if (!SetFilePointerEx(m_handle, LARGE_INTEGER{}, &here, FILE_CURRENT)
            || !SetFilePointerEx(m_handle, target, nullptr, FILE_BEGIN))
            return systemFailure(m_path);
        const Status written = write(bytes, length);
        if (!SetFilePointerEx(m_handle, here, nullptr, FILE_BEGIN))
            return systemFailure(m_path);
        return written;
    }

    void startWritingBack() override {}

    Status sync() override { return FlushFileBuffers(m_handle) ? Status() : systemFailure(m_path); }

    Status close() override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return Status();
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) ? Status() : systemFailure(m_path);
    }

private:
    HANDLE m_handle;
    QString m_path;
};

// Whether a failed look at a path found nothing there, rather than failing.
bool foundNothing(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
        return true;
    default:
        return false;
    }
}

// The identity of what `handle` has open, or nothing when the open failed
// because nothing is there.
Status identityFrom(HANDLE handle, const QString& path, QByteArray& identity)
{
    identity.clear();
    if (handle == INVALID_HANDLE_VALUE)
        return foundNothing(GetLastError()) ? Status() : systemFailure(path);
    // A device (NUL, CON) is no file on a disk and has no identity of one:
    // the caller refuses it for what it is, not for a failed question.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return Status();
    }
    identity = identityOfHandle(handle);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    return identity.isEmpty() ? systemFailure(path, error) : Status();
}

class WindowsFileSystem final : public SystemFileSystem
{
public:
    Status openForReading(const QString& path, FinalLink link, std::unique_ptr<ReadableFile>& file) override
    {
        file.reset();
        const bool followed = link == FinalLink::Followed;
        const HANDLE handle = followed
                                  ? CreateFileW(wide(path).c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)
                                  : openEntry(path, GENERIC_READ);
        if (handle == INVALID_HANDLE_VALUE)
            return systemFailure(path);
        LARGE_INTEGER size = {};
        Status result = checkRegular(handle, path, followed);
        if (result.ok() && !GetFileSizeEx(handle, &size))
            result = systemFailure(path);
        if (result.failed()) {
            CloseHandle(handle);
            return result;
        }
        file = std::make_unique<WindowsReadableFile>(handle, size.QuadPart, path);
        return Status();
    }

    // Opened without FILE_SHARE_DELETE: while it stays open, no other process
    // can remove it, which is what marks it as owned.
    Status createNew(const QString& path, std::unique_ptr<WritableFile>& file) override
    {
        file.reset();
        const HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return systemFailure(path);
        file = std::make_unique<WindowsWritableFile>(handle, path);
        return Status();
    }

    Status createFolder(const QString& path) override
    {
        return CreateDirectoryW(wide(path).c_str(), nullptr) ? Status() : systemFailure(path);
    }

    Status replace(const QString& from, const QString& to) override
    {
        const std::wstring source = wide(from), target = wide(to);
        return retriedWhileHeld([&] {
            return MoveFileExW(source.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   != 0;
        })
                   ? Status()
                   : systemFailure(to);
    }

    Status hardLink(const QString& existing, const QString& newName) override
    {
        return CreateHardLinkW(wide(newName).c_str(), wide(existing).c_str(), nullptr)
                   ? Status()
                   : systemFailure(newName);
    }

    Status copy(const QString& from, const QString& to) override
    {
        return CopyFileW(wide(from).c_str(), wide(to).c_str(), TRUE) ? Status() : systemFailure(to);
    }

    Status remove(const QString& path) override
    {
        const DWORD attributes = GetFileAttributesW(wide(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return Status();
        const bool folderLink =
            (attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        const BOOL removed =
            folderLink ? RemoveDirectoryW(wide(path).c_str()) : DeleteFileW(wide(path).c_str());
        return removed || GetLastError() == ERROR_FILE_NOT_FOUND ? Status() : systemFailure(path);
    }

    // Nothing to do: replace() writes through.
    Status syncDirectory(const QString&) override { return Status(); }

    // Never asked for: permissions() has none to give.
    Status setPermissions(const QString&, quint32) override { return Status(); }

    // A device name (NUL, CON) reaches a device from any folder: special,
    // like anything that is no file on a disk.
    Status entryKind(const QString& path, EntryKind& kind) override
    {
        const DWORD attributes = GetFileAttributesW(wide(path).c_str());
        const DWORD error = GetLastError();
        kind = EntryKind::Missing;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            kind = EntryKind::Link;
        else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            kind = EntryKind::Directory;
        else if (const Status followed = followedKind(path, kind); followed.failed())
            return followed;
        if (kind != EntryKind::Missing || attributes != INVALID_FILE_ATTRIBUTES || foundNothing(error))
            return Status();
        return systemFailure(path, error);
    }

    Status followedKind(const QString& path, EntryKind& kind) override
    {
        kind = EntryKind::Missing;
        const HANDLE handle = openFollowed(path);
        if (handle == INVALID_HANDLE_VALUE)
            return foundNothing(GetLastError()) ? Status() : systemFailure(path);
        BY_HANDLE_FILE_INFORMATION information = {};
        if (GetFileType(handle) != FILE_TYPE_DISK)
            kind = EntryKind::Special;
        else if (GetFileInformationByHandle(handle, &information))
            kind = information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? EntryKind::Directory
                                                                           : EntryKind::RegularFile;
        const DWORD error = GetLastError();
        CloseHandle(handle);
        return kind == EntryKind::Missing ? systemFailure(path, error) : Status();
    }

    Status isWritable(const QString& path, bool& writable) override
    {
        const DWORD attributes = GetFileAttributesW(wide(path).c_str());
        writable = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY);
        return attributes != INVALID_FILE_ATTRIBUTES ? Status() : systemFailure(path);
    }

    // Windows keeps no permission bits; the read-only attribute would keep
    // the new file from being replaced in its turn, and is not copied.
    Status permissions(const QString&, std::optional<quint32>& bits) override
    {
        bits.reset();
        return Status();
    }

    Status identity(const QString& path, QByteArray& identity) override
    {
        return identityFrom(openEntry(path, 0), path, identity);
    }

    Status followedIdentity(const QString& path, QByteArray& identity) override
    {
        return identityFrom(openFollowed(path), path, identity);
    }

    Status canonicalPath(const QString& path, QString& canonical) override
    {
        canonical = QFileInfo(path).canonicalFilePath();
        EntryKind kind = EntryKind::Missing;
        if (!canonical.isEmpty())
            return Status();
        // A device name (NUL, CON) reaches a device from any folder: it has
        // no place of its own, and is refused where it is opened.
        if (const Status looked = followedKind(path, kind);
            looked.failed() || kind == EntryKind::Missing || kind == EntryKind::Special)
            return looked;
        return Status::fileFailure(Status::Kind::Other, path,
                                   QStringLiteral("its full path cannot be found"));
    }

    Status linkTarget(const QString& path, QString& target) override
    {
        target.clear();
        EntryKind kind = EntryKind::Missing;
        if (const Status looked = entryKind(path, kind); looked.failed() || kind != EntryKind::Link)
            return looked;
        target = QFileInfo(path).symLinkTarget();
        return target.isEmpty() ? Status::fileFailure(Status::Kind::Other, path,
                                                      QStringLiteral("where it leads cannot be read"))
                                : Status();
    }

    Status entries(const QString& folder, QStringList& names) override;

    // A handle that does not share deletion refuses one that asks for it.
    Status ownedByWriter(const QString& path, bool& owned) override
    {
        owned = false;
        const HANDLE handle = openEntry(path, DELETE);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            return Status();
        }
        const DWORD error = GetLastError();
        owned = error == ERROR_SHARING_VIOLATION;
        return owned || foundNothing(error) ? Status() : systemFailure(path, error);
    }

    // Asking for the right to delete is what a rename over the file asks
    // for: it is refused with a sharing violation while another handle does
    // not share deletion.
    Status checkReplaceable(const QString& path) override
    {
        const HANDLE handle =
            CreateFileW(wide(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return systemFailure(path);
        CloseHandle(handle);
        return Status();
    }
};

Status WindowsFileSystem::entries(const QString& folder, QStringList& names)
{
    names.clear();
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW(wide(folder + QLatin1String("/*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return systemFailure(folder);
    do {
        const QString name = QString::fromWCharArray(found.cFileName);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names << name;
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    names.sort();
    return error == ERROR_NO_MORE_FILES ? Status() : systemFailure(folder, error);
}

}  // namespace

Status systemerror::failure(const QString& path, qint64 error)
{
    return Status::fileFailure(kindOf(DWORD(error)), path, systemReason(DWORD(error)));
}

FileSystem& FileSystem::system()
{
    static WindowsFileSystem fileSystem;
    return fileSystem;
}

}  // namespace quillmark
