// The operating-system seam on Windows. Vorlix speaks UTF-8 inside; every call
// into the system that takes or gives text goes through UTF-16, because the
// narrow ("A") interfaces use the ANSI code page, not UTF-8. Screen, title and
// key waits are the command interpreter's own commands.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/command_line.h"
#include "platform/platform.h"

// Older SDK headers lack the flag; systems that do not know it refuse it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

bool Has_nul(const std::string& s) { return s.find('\0') != std::string::npos; }

// Strict: bytes that are not UTF-8 name nothing on this system, so they fail
// rather than turn into replacement characters that might name something.
bool To_wide(const std::string& s, std::wstring& wide) {
  wide.clear();
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

int Run_wide(const wchar_t* command) {
  std::fflush(stdout);
  return _wsystem(command);
}

bool Stdin_is_console() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// Every UTF-16 unit becomes at least one UTF-8 byte, so once more than `keep`
// units are held the kept bytes are settled and the rest can be dropped.
bool Read_console_line(std::string& line, std::size_t keep) {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring wide;
  bool any = false;
  bool ended = false;
  wchar_t buf[512];
  while (!ended) {
    DWORD got = 0;
    if (!ReadConsoleW(in, buf, sizeof buf / sizeof buf[0], &got, nullptr) || got == 0) break;
    any = true;
    for (DWORD i = 0; i < got && !ended; ++i) {
      if (buf[i] == L'\n')
        ended = true;
      else if (wide.size() <= keep)
        wide.push_back(buf[i]);
    }
  }
  // Ctrl+Z at the start of a line is how a console user says "no more input".
  if (!any || (!wide.empty() && wide[0] == 0x1A)) return false;
  if (!wide.empty() && wide.back() == L'\r') wide.pop_back();
  line = To_utf8(wide);
  if (line.size() > keep) line.resize(keep);
  return true;
}

// The C runtime's text mode has already turned CR LF into LF.
bool Read_stream_line(std::string& line, std::size_t keep) {
  bool any = false;
  std::size_t length = 0;
  int c, previous = 0;
  while ((c = std::getc(stdin)) != EOF) {
    any = true;
    if (c == '\n') {
      // Input is read in binary mode, so CR LF arrives whole; a line cut short
      // at `keep` stays as it is, too long either way.
      if (previous == '\r' && length <= keep) line.pop_back();
      return true;
    }
    ++length;
    previous = c;
    if (line.size() < keep) line.push_back(static_cast<char>(c));
  }
  return any;
}

HANDLE Make_sleep_timer() {
  const DWORD access = TIMER_MODIFY_STATE | SYNCHRONIZE;
  HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        access);
  if (timer == nullptr) timer = CreateWaitableTimerExW(nullptr, nullptr, 0, access);
  return timer;
}

// An argument as CommandLineToArgvW and the C runtime will split it back:
// backslashes are literal except in a run that ends at a quote, where each
// one is doubled and the quote escaped.
std::wstring Quote_argument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t slashes = 0;
    while (i < arg.size() && arg[i] == L'\\') {
      ++slashes;
      ++i;
    }
    if (i == arg.size()) {
      quoted.append(slashes * 2, L'\\');
      break;
    }
    if (arg[i] == L'"') {
      quoted.append(slashes * 2 + 1, L'\\');
    } else {
      quoted.append(slashes, L'\\');
    }
    quoted.push_back(arg[i]);
  }
  quoted.push_back(L'"');
  return quoted;
}

// A bare name means the file in the working directory, where the file test
// found it, not one found by the system's search through PATH.
std::wstring Program_path(const std::wstring& program) {
  return program.find_first_of(L"\\/:") == std::wstring::npos ? L".\\" + program : program;
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

}  // namespace

void Console_init() {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  // Redirected input is bytes as they come: text mode would end it at the
  // first Ctrl+Z byte.
  if (!Stdin_is_console()) _setmode(_fileno(stdin), _O_BINARY);
}

void Set_title(const std::string& title) { Run_shell_command("title " + title); }

void Clear_screen() { Run_wide(L"cls"); }

void Pause() { Run_wide(L"pause"); }

// Byte reads of a console drop every character outside the ANSI code page, so
// a console is read as UTF-16 and converted.
bool Read_input_line(std::string& line, std::size_t keep) {
  line.clear();
  return Stdin_is_console() ? Read_console_line(line, keep) : Read_stream_line(line, keep);
}

// 32767 UTF-16 units, each up to three UTF-8 bytes.
std::size_t Max_path_bytes() { return 98301; }

bool Is_regular_file(const std::string& path) {
  std::wstring wide;
  if (Has_nul(path) || !To_wide(path, wide)) return false;
  std::error_code ec;
  const auto st = std::filesystem::status(std::filesystem::path(wide), ec);
  return !ec && st.type() == std::filesystem::file_type::regular;
}

// The ordinary timer, and Sleep, wake on the 15.6 ms system tick; only the
// high-resolution timer makes a 1 ms pause last about 1 ms.
void Sleep_until(std::chrono::steady_clock::time_point deadline) {
  const auto left = deadline - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return;
  const long long ticks =
      (std::chrono::duration_cast<std::chrono::nanoseconds>(left).count() + 99) / 100;
  static const HANDLE timer = Make_sleep_timer();
  LARGE_INTEGER due;
  due.QuadPart = -ticks;  // negative: relative to now, in 100 ns ticks
  if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) &&
      WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0)
    return;
  Sleep(static_cast<DWORD>((ticks + 9999) / 10000));
}

int Run_shell_command(const std::string& command) {
  std::wstring wide;
  if (Has_nul(command) || !To_wide(command, wide)) return 1;
  // -1, the interpreter could not start, is already non-zero.
  return Run_wide(wide.c_str());
}

std::string Compile_command(const std::string& com_path, const std::string& com_settings,
                            const std::string& epath, const std::string& fpath) {
  return Windows_compile_command(com_path, com_settings, epath, fpath);
}

bool Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath) {
  const std::string command = pauser.empty() ? Windows_direct_launch_command(fpath, epath)
                                             : Windows_pauser_launch_command(pauser, epath);
  return Run_shell_command(command) == 0;
}

int Run_and_wait(const std::string& program, const std::vector<std::string>& args,
                 std::string& error) {
  std::wstring wide;
  if (Has_nul(program) || !To_wide(program, wide) || wide.empty()) {
    error = "程序路径无效";
    return -1;
  }
  // The program's own name is split by simpler rules: up to the closing quote.
  std::wstring command = L"\"" + Program_path(wide) + L"\"";
  for (const auto& a : args) {
    if (Has_nul(a) || !To_wide(a, wide)) {
      error = "参数不是有效的 UTF-8";
      return -1;
    }
    command += L" " + Quote_argument(wide);
  }

  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::fflush(stdout);
  std::fflush(stderr);
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                      &pi)) {
    error = System_message(GetLastError());
    return -1;
  }
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

bool Replace_file(const std::string& from, const std::string& to) {
  std::wstring wfrom, wto;
  if (Has_nul(from) || Has_nul(to) || !To_wide(from, wfrom) || !To_wide(to, wto)) return false;
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExW(wfrom.c_str(), wto.c_str(), flags)) return true;
  // A hidden or read-only file (the previous save hid it) refuses to be
  // replaced until those attributes are lifted.
  const DWORD attributes = GetFileAttributesW(wto.c_str());
  const DWORD blocking = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & blocking) == 0) return false;
  const DWORD lifted = attributes & ~blocking;
  if (!SetFileAttributesW(wto.c_str(), lifted == 0 ? FILE_ATTRIBUTE_NORMAL : lifted)) return false;
  if (MoveFileExW(wfrom.c_str(), wto.c_str(), flags)) return true;
  SetFileAttributesW(wto.c_str(), attributes);
  return false;
}

void Hide_file(const std::string& path) {
  std::wstring wide;
  if (Has_nul(path) || !To_wide(path, wide)) return;
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN);
}
