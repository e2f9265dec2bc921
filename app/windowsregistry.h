#pragma once

#include <string>

// Windows only: reads a text value from the registry for the game-directory
// look-up. Keys are opened with read access alone, never created, so looking
// for an entry that is missing leaves the registry exactly as it was.
//
// The entry is named as a settings entry is: `organisation`, then
// `application` (may be empty), then `key`, whose part after its last '/'
// names the value. ("Origin Worlds Online", "Ultima Online", "1.0/StartExePath")
// is the value StartExePath of Software\Origin Worlds Online\Ultima Online\1.0.
//
// The current user's registry is searched first, then the local machine's;
// each in its 64-bit view, then its 32-bit view, where 32-bit installers
// record themselves on 64-bit Windows. Gives the first non-empty text found
// (a string, or an expandable string with its environment variables
// expanded), or an empty string.
std::wstring readRegistryEntry(const std::wstring& organisation, const std::wstring& application,
                               const std::wstring& key);
