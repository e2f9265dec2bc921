#pragma once

// Windows only: while it lives, this process's HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE are two empty keys under a scratch key of the user's
// registry, so that a test may write the game's entries as its installer
// would without touching the real ones (QSettings::setPath moves only
// settings files, never the registry). The scratch key is removed when it
// goes. RegOverridePredefKey acts on this process alone.

#include <windows.h>

#include <string>

class ScratchRegistry
{
public:
    ScratchRegistry() : m_name(L"Software\\Quillmark test registry " + std::to_wstring(GetCurrentProcessId()))
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, m_name.c_str());  // of an earlier process of this number
        m_ok = create(HKEY_CURRENT_USER, m_name.c_str(), m_root) && create(m_root, L"user", m_user)
               && create(m_root, L"machine", m_machine)
               && RegOverridePredefKey(HKEY_CURRENT_USER, m_user) == ERROR_SUCCESS
               && RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine) == ERROR_SUCCESS;
    }
    ~ScratchRegistry()
    {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        for (const HKEY key : {m_user, m_machine, m_root}) {
            if (key)
                RegCloseKey(key);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, m_name.c_str());
    }
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // False when the registry could not be redirected: then nothing may be written.
    bool ok() const { return m_ok; }

private:
    static bool create(HKEY parent, const wchar_t* name, HKEY& key)
    {
        return RegCreateKeyExW(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
               == ERROR_SUCCESS;
    }

    std::wstring m_name;
    HKEY m_root = nullptr;
    HKEY m_user = nullptr;
    HKEY m_machine = nullptr;
    bool m_ok = false;
};
