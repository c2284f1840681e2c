// A header folder put first on the compiler's search path through CPATH, in
// an environment block of the compiler's own: Vorlix's environment stays as
// it is, and so does any other thread's view of it.
#include <cwctype>

#include <vector>

#include "text/compiler_words.h"
#include "text/environment_block.h"
#include "platform/windows/internal.h"

namespace {

bool Names_cpath(const wchar_t* entry) {
  const wchar_t name[] = L"CPATH=";
  for (int i = 0; name[i] != L'\0'; ++i)
    if (std::towupper(entry[i]) != name[i]) return false;
  return true;
}

}  // namespace

std::wstring Environment_with_header_path(const std::string& header_dir) {
  if (header_dir.empty()) return L"";
  wchar_t* block = GetEnvironmentStringsW();
  if (block == nullptr) return L"";
  std::vector<std::wstring> entries;
  std::wstring old;
  for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
    if (Names_cpath(entry))
      old = entry + 6;
    else
      entries.emplace_back(entry);
  }
  FreeEnvironmentStringsW(block);
  std::wstring value;
  if (!To_wide(Header_search_path(header_dir, To_utf8(old), ';'), value) || value.empty())
    return L"";
  entries.push_back(L"CPATH=" + value);
  return Environment_block(entries);
}
