#include "systemlock.h"

#include "systemerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>

#include <windows.h>

namespace quillmark::systemlock {

namespace {

constexpr DWORD MaxHolderText = 1024;
constexpr int Attempts = 16;

std::wstring wide(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

Status systemFailure(const QString& path, DWORD error)
{
    return systemerror::failure(path, qint64(error));
}

// A link or junction under the lock's name is removed, not followed; a real
// directory cannot be, and fails.
Status clearNonFile(const QString& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Status();
    const bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    const bool directory = attributes & FILE_ATTRIBUTE_DIRECTORY;
    if (!link)
        return directory ? Status::fileFailure(Status::Kind::NotRegularFile, path,
                                               QStringLiteral("not a regular file"))
                         : Status();
    const BOOL removed = directory ? RemoveDirectoryW(wide(path).c_str()) : DeleteFileW(wide(path).c_str());
    return removed ? Status() : systemFailure(path, GetLastError());
}

void writeHolder(HANDLE handle)
{
    const QByteArray text = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                            + QCoreApplication::applicationName().toUtf8() + '\n'
                            + QSysInfo::machineHostName().toUtf8() + '\n';
    DWORD written = 0;
    (void)WriteFile(handle, text.constData(), DWORD(text.size()), &written, nullptr);
}

// A lock file whose holder let go while a reader of its holder's name still
// had it open waits to be deleted, and refuses access until then: that is a
// lock still held, for a moment. So is a file another program keeps.
bool heldBySomebody(DWORD error, const QString& path)
{
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return true;
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES
           && !(attributes & FILE_ATTRIBUTE_READONLY);
}

class WindowsLock final : public HeldLock
{
public:
    explicit WindowsLock(HANDLE handle) : m_handle(handle) {}
    // The file goes with the handle.
    ~WindowsLock() override { CloseHandle(m_handle); }

private:
    HANDLE m_handle;
};

}  // namespace

// Opened for writing and shared for reading only: any other opener that
// wants to write, which every taker does, is refused while the handle lives,
// and the file goes with the handle.
Status tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock)
{
    lock.reset();
    held = false;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (const Status cleared = clearNonFile(path); cleared.failed())
            return cleared;
        const HANDLE handle = CreateFileW(
            wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
            OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
            nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            held = heldBySomebody(error, path);
            return held ? Status() : systemFailure(path, error);
        }
        BY_HANDLE_FILE_INFORMATION information = {};
        if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information)
            || (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
            CloseHandle(handle);
            continue;
        }
        writeHolder(handle);
        lock = std::make_unique<WindowsLock>(handle);
        return Status();
    }
    held = true;
    return Status();
}

// A lock file opened by its holder refuses nobody who reads it, unless it
// is on its way out: then nothing is known of its holder.
Status holderOf(const QString& path, LockHolder& holder)
{
    holder = LockHolder();
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool unknown = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                             || error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        return unknown ? Status() : systemFailure(path, error);
    }
    QByteArray text(MaxHolderText, '\0');
    DWORD got = 0;
    Status result;
    if (GetFileType(handle) == FILE_TYPE_DISK && !ReadFile(handle, text.data(), MaxHolderText, &got, nullptr))
        result = systemFailure(path, GetLastError());
    CloseHandle(handle);
    const QList<QByteArray> lines = text.left(result.ok() ? qsizetype(got) : 0).split('\n');
    holder.pid = lines.value(0).trimmed().toLongLong();
    holder.application = QString::fromUtf8(lines.value(1).trimmed());
    return result;
}

}  // namespace quillmark::systemlock
