// Whether a file could have been put or changed by someone else: the owner
// and the access entries of the file and of every folder above it. The user,
// SYSTEM and the Administrators group count as the user's own side; any other
// entry that lets someone write (in a folder: add a file), append to a file,
// delete, or change the rights is someone else's way in. Adding a folder
// (what "Authenticated Users" may do at a drive's root) changes nothing
// below it. Deny entries are not weighed: an allowed
// right that one of them takes away again still counts as open, which only
// ever refuses a file that was safe.
#include <memory>

#include <aclapi.h>

#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

const DWORD Changing_rights = FILE_WRITE_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                              WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// This process's user, as a SID.
std::unique_ptr<char[]> User_sid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::unique_ptr<char[]> buffer(new char[size == 0 ? 1 : size]);
  const bool ok = size != 0 && GetTokenInformation(token, TokenUser, buffer.get(), size, &size);
  CloseHandle(token);
  return ok ? std::move(buffer) : nullptr;
}

bool Is_ours(PSID sid, PSID user) {
  return EqualSid(sid, user) || IsWellKnownSid(sid, WinLocalSystemSid) ||
         IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
         IsWellKnownSid(sid, WinCreatorOwnerSid);
}

bool Closed_to_others(const std::wstring& path, PSID user, bool file) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  // No list at all lets everyone do everything.
  bool closed = owner != nullptr && dacl != nullptr && Is_ours(owner, user);
  for (DWORD i = 0; closed && i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) {
      closed = false;
      break;
    }
    const auto* header = static_cast<ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0)
      continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    const DWORD rights = Changing_rights | (file ? FILE_APPEND_DATA : 0);
    if ((allowed->Mask & rights) != 0 && !Is_ours(sid, user)) closed = false;
  }
  LocalFree(descriptor);
  return closed;
}

}  // namespace

bool Only_user_can_change(const std::string& path) {
  std::wstring wide;
  if (!To_wide(path, wide)) return false;
  wchar_t full[32768];
  const DWORD n = GetFullPathNameW(wide.c_str(), 32768, full, nullptr);
  if (n == 0 || n >= 32768) return false;
  const auto user = User_sid();
  if (user == nullptr) return false;
  PSID me = reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid;
  // The file, then each folder up to the drive's root ("C:\").
  std::wstring at(full, n);
  for (bool file = true;; file = false) {
    if (!Closed_to_others(at, me, file)) return false;
    const auto slash = at.find_last_of(L"\\/", at.size() >= 2 ? at.size() - 2 : 0);
    if (slash == std::wstring::npos || at.size() <= 3) return true;
    at = at.substr(0, slash <= 2 ? 3 : slash);
  }
}
