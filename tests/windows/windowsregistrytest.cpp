// Windows only: the registry look-up of the game directory against a scratch
// registry: the search order, hostile values, and that looking never creates
// a key. It writes to the registry it runs on, so it runs only when told that
// the registry is a scratch one: tools/windows-check.sh runs it under Wine in
// a new, temporary Wine prefix.

#include "windowsregistry.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The Software key of each place the look-up searches, in its order.
HKEY Software[4];
const char* const Places[] = {"current user, 64-bit view", "current user, 32-bit view",
                              "local machine, 64-bit view", "local machine, 32-bit view"};
int passed = 0;
int failed = 0;

void check(bool ok, const char* what, const char* where = "")
{
    ok ? ++passed : ++failed;
    if (!ok)
        std::printf("FAIL: %s%s\n", what, where);
}

// Removes the keys of this program and of the game; true when there were any.
bool clear()
{
    bool found = false;
    for (const HKEY software : Software) {
        for (const wchar_t* organisation : {L"Harrowvane", L"Origin Worlds Online"})
            found = RegDeleteTreeW(software, organisation) == ERROR_SUCCESS || found;
    }
    return found;
}

std::wstring startExe(const wchar_t* product)
{
    return readRegistryEntry(L"Origin Worlds Online", product, L"1.0/StartExePath");
}

void setStartExe(int place, const wchar_t* product, const std::wstring& text, DWORD type = REG_SZ)
{
    RegSetKeyValueW(Software[place], (L"Origin Worlds Online\\" + std::wstring(product) + L"\\1.0").c_str(),
                    L"StartExePath", type, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
}

// The current user's UODir set to `bytes` of `data` hides the local
// machine's unless it holds no text; what it holds is read up to its first
// terminator or whole character.
void checkUoDir(DWORD type, const void* data, DWORD bytes, const wchar_t* found, const char* what)
{
    RegSetKeyValueW(Software[0], L"Harrowvane", L"UODir", type, data, bytes);
    check(readRegistryEntry(L"Harrowvane", L"", L"UODir") == found, what);
}

}  // namespace

int main()
{
    if (!std::getenv("QUILLMARK_SCRATCH_REGISTRY")) {
        std::printf("refusing to run: set QUILLMARK_SCRATCH_REGISTRY=1 on a scratch registry only\n");
        return 2;
    }
    for (int place = 0; place < 4; ++place)
        RegCreateKeyExW(place < 2 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, L"Software", 0, nullptr, 0,
                        KEY_ALL_ACCESS | (place % 2 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY), nullptr,
                        &Software[place], nullptr);
    clear();
    check(readRegistryEntry(L"Harrowvane", L"", L"UODir").empty() && startExe(L"Ultima Online").empty()
              && startExe(L"Ultima Online Third Dawn").empty(),
          "an empty registry holds no entry");
    check(!clear(), "looking creates no key");

    // Set from the last place to the first: each must win over those set before.
    for (int place = 3; place >= 0; --place) {
        const std::wstring program = L"C:\\UO" + std::to_wstring(place) + L"\\client.exe";
        setStartExe(place, L"Ultima Online", program);
        check(startExe(L"Ultima Online") == program, "searched in its turn: ", Places[place]);
    }
    SetEnvironmentVariableW(L"QUILLMARK_GAMES", L"G:\\games");
    setStartExe(0, L"Ultima Online Third Dawn", L"%QUILLMARK_GAMES%\\uotd.exe", REG_EXPAND_SZ);
    check(startExe(L"Ultima Online Third Dawn") == L"G:\\games\\uotd.exe",
          "an expandable string is expanded");

    RegSetKeyValueW(Software[2], L"Harrowvane", L"UODir", REG_SZ, L"D:\\shard", 18);
    const DWORD number = 5;
    checkUoDir(REG_SZ, L"", 2, L"D:\\shard", "an empty value is passed over");
    checkUoDir(REG_DWORD, &number, 4, L"D:\\shard", "a value that is not text is passed over");
    checkUoDir(REG_SZ, L"E:\\uo", 10, L"E:\\uo", "a value without its terminator is read whole");
    checkUoDir(REG_SZ, L"E:\\uoX", 11, L"E:\\uo", "an odd byte count drops the broken character");
    checkUoDir(REG_SZ, L"F:\\a\0junk", 20, L"F:\\a", "text ends at its first terminator");
    check(readRegistryEntry(L"Harrowvane", L"", L"Missing").empty(), "a missing value reads as empty");
    clear();

    std::printf("windowsregistry: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
