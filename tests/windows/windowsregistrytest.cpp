// Windows only: the registry look-up of the game directory against a scratch
// registry, the search order, hostile values, and that looking never creates
// a key. It writes to the registry it runs on, so it runs only when told that
// the registry is a scratch one: tools/windows-check.sh runs it under Wine in
// a new, temporary Wine prefix.

#include "windowsregistry.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Place
{
    HKEY hive;
    REGSAM view;
};

const Place User{HKEY_CURRENT_USER, KEY_WOW64_64KEY};
const Place Machine{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY};
const Place Machine32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};
const wchar_t Harrowvane[] = L"Software\\Harrowvane";
const wchar_t Origin[] = L"Software\\Origin Worlds Online";
const wchar_t ThirdDawn[] = L"Software\\Origin Worlds Online\\Ultima Online Third Dawn\\1.0";
const wchar_t Classic[] = L"Software\\Origin Worlds Online\\Ultima Online\\1.0";

int passed = 0;
int failed = 0;

void check(bool ok, const char* what)
{
    ok ? ++passed : ++failed;
    if (!ok)
        std::printf("FAIL: %s\n", what);
}

void setValue(Place place, const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
              DWORD bytes)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(place.hive, path, 0, nullptr, 0, KEY_SET_VALUE | place.view, nullptr, &key, nullptr)
            != ERROR_SUCCESS
        || RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes) != ERROR_SUCCESS) {
        std::printf("cannot set up the scratch registry\n");
        std::exit(2);
    }
    RegCloseKey(key);
}

void setText(Place place, const wchar_t* path, const wchar_t* name, const std::wstring& text)
{
    setValue(place, path, name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
}

bool exists(Place place, const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(place.hive, path, 0, KEY_READ | place.view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void clear()
{
    for (const Place place : {User, Machine, Machine32}) {
        for (const wchar_t* path : {Harrowvane, Origin}) {
            HKEY software = nullptr;
            if (RegOpenKeyExW(place.hive, L"Software", 0, KEY_ALL_ACCESS | place.view, &software)
                == ERROR_SUCCESS) {
                RegDeleteTreeW(software, path + 9);  // below Software
                RegCloseKey(software);
            }
        }
    }
}

std::wstring uoDir()
{
    return readRegistryEntry(L"Harrowvane", L"", L"UODir");
}

std::wstring startExe(const wchar_t* product)
{
    return readRegistryEntry(L"Origin Worlds Online", product, L"1.0/StartExePath");
}

}  // namespace

int main()
{
    if (!std::getenv("QUILLMARK_SCRATCH_REGISTRY")) {
        std::printf("refusing to run: set QUILLMARK_SCRATCH_REGISTRY=1 on a scratch registry only\n");
        return 2;
    }
    clear();
    check(uoDir().empty() && startExe(L"Ultima Online").empty(), "an empty registry holds no entry");
    bool created = false;
    for (const Place place : {User, Machine, Machine32})
        created = created || exists(place, Harrowvane) || exists(place, Origin);
    check(!created, "looking creates no key");

    setText(Machine32, Classic, L"StartExePath", L"C:\\Games\\UO\\client.exe");
    check(startExe(L"Ultima Online") == L"C:\\Games\\UO\\client.exe", "the 32-bit view is searched");
    setText(Machine, Classic, L"StartExePath", L"C:\\UO64\\client.exe");
    check(startExe(L"Ultima Online") == L"C:\\UO64\\client.exe", "the 64-bit view comes first");
    setText(User, Classic, L"StartExePath", L"C:\\Mine\\client.exe");
    check(startExe(L"Ultima Online") == L"C:\\Mine\\client.exe", "the current user comes first");

    const std::wstring expandable = L"%SystemRoot%\\uotd.exe";
    setValue(User, ThirdDawn, L"StartExePath", REG_EXPAND_SZ, expandable.c_str(),
             DWORD((expandable.size() + 1) * sizeof(wchar_t)));
    const std::wstring thirdDawn = startExe(L"Ultima Online Third Dawn");
    const std::wstring name = L"\\uotd.exe";
    check(thirdDawn.size() > name.size() && thirdDawn.find(L'%') == std::wstring::npos
              && thirdDawn.compare(thirdDawn.size() - name.size(), name.size(), name) == 0,
          "an expandable string is expanded");

    setText(Machine, Harrowvane, L"UODir", L"D:\\shard");
    setText(User, Harrowvane, L"UODir", L"");
    check(uoDir() == L"D:\\shard", "an empty value is passed over");
    const DWORD number = 5;
    setValue(User, Harrowvane, L"UODir", REG_DWORD, &number, sizeof number);
    check(uoDir() == L"D:\\shard", "a value that is not text is passed over");
    setValue(User, Harrowvane, L"UODir", REG_SZ, L"E:\\uo", 5 * sizeof(wchar_t));
    check(uoDir() == L"E:\\uo", "a value without its terminator is read whole");
    setValue(User, Harrowvane, L"UODir", REG_SZ, L"E:\\uoX", 5 * sizeof(wchar_t) + 1);
    check(uoDir() == L"E:\\uo", "an odd byte count drops the broken character");
    setValue(User, Harrowvane, L"UODir", REG_SZ, L"F:\\a\0junk", 10 * sizeof(wchar_t));
    check(uoDir() == L"F:\\a", "text ends at its first terminator");
    check(readRegistryEntry(L"Harrowvane", L"", L"Missing").empty(), "a missing value reads as empty");
    clear();

    std::printf("windowsregistry: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
