// Conversions between Vorlix's UTF-8 and the system's UTF-16, and the
// system's messages in UTF-8.
#include <climits>

#include "platform/windows/internal.h"

bool To_wide(const std::string& s, std::wstring& wide) {
  wide.clear();
  if (s.find('\0') != std::string::npos) return false;
  if (s.empty()) return true;
  if (s.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const int n = static_cast<int>(s.size());
  const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), n, nullptr, 0);
  if (units <= 0) return false;
  wide.resize(static_cast<std::size_t>(units));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), n, &wide[0], units) ==
         units;
}

std::string To_utf8(const std::wstring& wide) {
  if (wide.empty() || wide.size() > static_cast<std::size_t>(INT_MAX)) return "";
  const int n = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return "";
  std::string s(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &s[0], bytes, nullptr, nullptr);
  return s;
}

std::string System_message(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD n = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0,
                                 nullptr);
  std::wstring wide = n > 0 && text != nullptr ? std::wstring(text, n) : L"";
  if (text != nullptr) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
    wide.pop_back();
  return wide.empty() ? "error " + std::to_string(code) : To_utf8(wide);
}

Failure Windows_failure(DWORD code) {
  return Failure{Failure::Kind::windows_error, static_cast<long long>(code), System_message(code)};
}
