// What the Windows files of the platform seam share among themselves; nothing
// outside src/platform/windows/ includes this. Vorlix speaks UTF-8 inside;
// every call into the system that takes or gives text goes through UTF-16,
// because the narrow ("A") interfaces use the ANSI code page, not UTF-8.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

bool Has_nul(const std::string& s);

// Strict: bytes that are not UTF-8 name nothing on this system, so they fail
// rather than turn into replacement characters that might name something.
bool To_wide(const std::string& s, std::wstring& wide);

std::string To_utf8(const std::wstring& wide);

// Hands a command line to the command interpreter and waits for it.
int Run_wide(const wchar_t* command);
