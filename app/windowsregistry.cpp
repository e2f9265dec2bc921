#include "windowsregistry.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

namespace {

struct RegistryView
{
    HKEY hive;
    REGSAM view;
};

// Places to look, in order. KEY_WOW64_* is ignored on 32-bit Windows, where
// the two views are the same.
const RegistryView SearchOrder[] = {
    {HKEY_CURRENT_USER, KEY_WOW64_64KEY},
    {HKEY_CURRENT_USER, KEY_WOW64_32KEY},
    {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
    {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
};

// Closes the key on every way out.
class OpenKey
{
public:
    OpenKey(HKEY hive, REGSAM view, const std::wstring& path)
    {
        // KEY_QUERY_VALUE alone: RegOpenKeyExW only opens, it never creates.
        if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_QUERY_VALUE | view, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~OpenKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    HKEY handle() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

bool isText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// A path stored as an expandable string names its folders through
// environment variables (%ProgramFiles%), which the dialogs cannot follow.
std::wstring expanded(const std::wstring& text)
{
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0)
        return text;
    std::wstring result(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), &result[0], needed);
    if (written == 0 || written > needed)
        return text;
    return result.substr(0, result.find(L'\0'));
}

// Another program may change the value between asking for its size and
// reading it; a value that grew in between is asked for again, a few times.
std::wstring readText(HKEY key, const std::wstring& name)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS
            || !isText(type))
            return std::wstring();
        // One character more than asked for: stored text need not end in a
        // terminator, nor have an even number of bytes.
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = DWORD(text.size() * sizeof(wchar_t));
        const LSTATUS status =
            RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS || !isText(type))
            return std::wstring();
        text.resize(std::min<size_t>(text.size(), size / sizeof(wchar_t)));
        text = text.substr(0, text.find(L'\0'));
        return type == REG_EXPAND_SZ ? expanded(text) : text;
    }
    return std::wstring();
}

}  // namespace

std::wstring readRegistryEntry(const std::wstring& organisation, const std::wstring& application,
                               const std::wstring& key)
{
    const size_t lastSlash = key.rfind(L'/');
    const std::wstring valueName = lastSlash == std::wstring::npos ? key : key.substr(lastSlash + 1);
    std::wstring path = L"Software\\" + organisation;
    if (!application.empty())
        path += L"\\" + application;
    if (lastSlash != std::wstring::npos && lastSlash > 0)
        path += L"\\" + key.substr(0, lastSlash);
    std::replace(path.begin(), path.end(), L'/', L'\\');

    for (const RegistryView& place : SearchOrder) {
        const OpenKey opened(place.hive, place.view, path);
        if (!opened.handle())
            continue;
        const std::wstring text = readText(opened.handle(), valueName);
        if (!text.empty())
            return text;
    }
    return std::wstring();
}
