#include "text/environment_block.h"

#include <algorithm>

namespace {

std::wstring Name_of(const std::wstring& entry) {
  return entry.substr(0, entry.find(L'=', 1));
}

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool Before(const std::wstring& a, const std::wstring& b) {
  const std::wstring x = Name_of(a), y = Name_of(b);
  return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                      [](wchar_t l, wchar_t r) { return Upper(l) < Upper(r); });
}

}  // namespace

std::wstring Environment_block(std::vector<std::wstring> entries) {
  if (entries.empty()) return L"";
  std::stable_sort(entries.begin(), entries.end(), Before);
  std::wstring block;
  for (const auto& entry : entries) block.append(entry).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}
