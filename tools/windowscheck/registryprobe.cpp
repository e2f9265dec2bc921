// Windows only, and built only by tools/windows-check.sh: prints what the
// game-directory look-up reads from this machine's registry. Its build proves
// that the registry code compiles and links for Windows; run on Windows, it
// shows which entries the program will find.

#include "windowsregistry.h"

#include <cstdio>

namespace {

void show(const wchar_t* organisation, const wchar_t* application, const wchar_t* key)
{
    const std::wstring value = readRegistryEntry(organisation, application, key);
    std::wprintf(L"%ls\\%ls %ls: %ls\n", organisation, application, key,
                 value.empty() ? L"(none)" : value.c_str());
}

}  // namespace

int main()
{
    show(L"Harrowvane", L"", L"UODir");
    show(L"Origin Worlds Online", L"Ultima Online Third Dawn", L"1.0/StartExePath");
    show(L"Origin Worlds Online", L"Ultima Online", L"1.0/StartExePath");
    return 0;
}
