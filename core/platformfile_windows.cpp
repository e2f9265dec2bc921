#include "platformfile.h"

#include <windows.h>

namespace platformfile {

namespace {

std::wstring wide(const char* utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring text(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &text[0], length);
    text.resize(size_t(length) - 1);
    return text;
}

std::string lastError()
{
    char* message = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        GetLastError(), 0, reinterpret_cast<char*>(&message), 0, nullptr);
    std::string text = length > 0 ? std::string(message, length) : std::string("Unknown error");
    LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
        text.pop_back();
    return text;
}

bool failWith(std::string& error)
{
    error = lastError();
    return false;
}

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

NativeFile::~NativeFile()
{
    close();
}

// Opened without FILE_SHARE_DELETE: while it stays open, no other process can
// remove it, which is what marks it as owned.
bool NativeFile::createNew(const char* path)
{
    const HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failWith(m_error);
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

bool NativeFile::write(const char* bytes, std::int64_t length)
{
    while (length > 0) {
        const DWORD piece = DWORD(length < (1 << 30) ? length : (1 << 30));
        DWORD written = 0;
        if (!WriteFile(handleOf(m_handle), bytes, piece, &written, nullptr) || written == 0)
            return failWith(m_error);
        bytes += written;
        length -= written;
    }
    return true;
}

// The system writes back on its own; sync() waits for what is left.
void NativeFile::countWritten(std::int64_t length)
{
    m_written += length;
    m_writtenBack = m_written;
}

void NativeFile::startWritingBack() {}

bool NativeFile::writeAt(std::int64_t offset, const char* bytes, std::int64_t length)
{
    LARGE_INTEGER here = {};
    LARGE_INTEGER target = {};
    target.QuadPart = offset;
    if (!SetFilePointerEx(handleOf(m_handle), LARGE_INTEGER{}, &here, FILE_CURRENT)
        || !SetFilePointerEx(handleOf(m_handle), target, nullptr, FILE_BEGIN))
        return failWith(m_error);
    const bool written = write(bytes, length);
    if (!SetFilePointerEx(handleOf(m_handle), here, nullptr, FILE_BEGIN))
        return failWith(m_error);
    return written;
}

bool NativeFile::sync()
{
    return FlushFileBuffers(handleOf(m_handle)) || failWith(m_error);
}

bool NativeFile::close()
{
    if (m_handle == Closed)
        return true;
    const HANDLE handle = handleOf(m_handle);
    m_handle = Closed;
    return CloseHandle(handle) || failWith(m_error);
}

bool replaceFile(const char* from, const char* to, std::string& error)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
           || failWith(error);
}

// Asking for the right to delete is what a rename over the file asks for:
// it is refused with a sharing violation while another handle does not share
// deletion.
bool canReplace(const char* path, std::string& error)
{
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failWith(error);
    CloseHandle(handle);
    return true;
}

bool syncDirectory(const char*, std::string&)
{
    return true;
}

bool hardLink(const char* existing, const char* newName, std::string& error)
{
    return CreateHardLinkW(wide(newName).c_str(), wide(existing).c_str(), nullptr) || failWith(error);
}

Removal removeIfAbandoned(const char* path)
{
    if (DeleteFileW(wide(path).c_str()))
        return Removal::Removed;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ? Removal::InUse
                                                                            : Removal::Failed;
}

}  // namespace platformfile
