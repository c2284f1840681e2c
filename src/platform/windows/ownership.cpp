// Whether anyone but this user (and the system) could change what a path
// leads to: the file itself and each folder above it, by owner and access
// list. A file that passes cannot be swapped between a check and a later
// open by name.
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

// The user this process runs as, as a SID's bytes; empty when unknown.
std::vector<unsigned char> User_sid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  std::vector<unsigned char> sid;
  if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    const PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const auto bytes = static_cast<const unsigned char*>(user);
    sid.assign(bytes, bytes + GetLengthSid(user));
  }
  CloseHandle(token);
  return sid;
}

bool Is_well_known(PSID sid, WELL_KNOWN_SID_TYPE type) { return IsWellKnownSid(sid, type) != 0; }

// The user, or the system itself: SYSTEM, Administrators, TrustedInstaller.
bool Trusted(PSID sid, const std::vector<unsigned char>& user) {
  if (sid == nullptr || !IsValidSid(sid)) return false;
  if (!user.empty() && EqualSid(sid, const_cast<unsigned char*>(user.data()))) return true;
  if (Is_well_known(sid, WinLocalSystemSid) || Is_well_known(sid, WinBuiltinAdministratorsSid))
    return true;
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return false;
  const bool installer =
      std::wstring(text) == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  LocalFree(text);
  return installer;
}

// The rights that let someone else change what the name leads to: replace,
// rename or remove it or what it holds, take it over, or (a file) write it.
// Making a new subfolder is not among them: the root of a drive allows it to
// every user, and it changes nothing that is there.
DWORD Rights_that_change(bool directory) {
  const DWORD always = DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE;
  return directory ? always | FILE_DELETE_CHILD | FILE_ADD_FILE
                   : always | FILE_WRITE_DATA | FILE_APPEND_DATA;
}

bool Only_trusted_can_change(const std::wstring& path, const std::vector<unsigned char>& user) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  // A link or junction could be turned to lead anywhere.
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return false;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                            &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  // The owner may always change the access list; no list lets everyone in.
  bool safe = Trusted(owner, user) && dacl != nullptr;
  const DWORD changing = Rights_that_change((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  for (DWORD i = 0; safe && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) {
      safe = false;
      break;
    }
    const auto header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0)
      continue;
    const auto allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    if ((allowed->Mask & changing) != 0 && !Trusted(&allowed->SidStart, user)) safe = false;
  }
  LocalFree(descriptor);
  return safe;
}

}  // namespace

bool Only_user_can_change(const std::string& path) {
  std::wstring wide;
  if (!To_wide(path, wide) || wide.empty()) return false;
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
  if (n == 0 || n >= full.size()) return false;
  full.resize(n);
  for (auto& c : full)
    if (c == L'/') c = L'\\';
  const std::vector<unsigned char> user = User_sid();
  if (user.empty()) return false;
  // From the path up to the root of its drive or share.
  for (;;) {
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    if (!Only_trusted_can_change(full, user)) return false;
    const std::size_t slash = full.find_last_of(L'\\');
    if (slash == std::wstring::npos || full.size() <= 3 ||
        (full.compare(0, 2, L"\\\\") == 0 && std::count(full.begin(), full.end(), L'\\') <= 3))
      return true;
    full.resize(slash + 1);
  }
}
