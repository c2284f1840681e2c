// Running commands and programs: the command interpreter for command lines,
// CreateProcessW for a program run in this console.
#include <cstdio>
#include <cstdlib>

#include "text/command_line.h"
#include "text/exit_status.h"
#include "platform/platform.h"
#include "text/printable.h"
#include "text/start_failure.h"
#include "platform/windows/internal.h"

#include <shellapi.h>
// Version 2 is the kernel32 entry (K32GetProcessMemoryInfo), so that the
// programs need no psapi.dll.
#ifndef PSAPI_VERSION
#define PSAPI_VERSION 2
#endif
#include <psapi.h>

namespace {

double Seconds(const FILETIME& t) {
  const unsigned long long ticks =
      (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<double>(ticks) / 1e7;  // 100 ns each
}

// The finished process's CPU time and peak working set; a figure the system
// will not give stays unknown.
void Measure(HANDLE process, Program_run& run) {
  FILETIME created, exited, kernel, user;
  if (GetProcessTimes(process, &created, &exited, &kernel, &user))
    run.cpu_seconds = Seconds(kernel) + Seconds(user);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, &memory, sizeof memory) && memory.PeakWorkingSetSize > 0)
    run.peak_mib = static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

bool Create(const wchar_t* application, std::wstring& command, DWORD flags, std::wstring& title,
            PROCESS_INFORMATION& pi, std::wstring* environment = nullptr) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!title.empty()) si.lpTitle = &title[0];
  // A new console brings its own standard handles; inheriting ours would only
  // keep them open for as long as the program runs.
  const BOOL inherit = (flags & CREATE_NEW_CONSOLE) == 0;
  std::fflush(stdout);
  std::fflush(stderr);
  void* block = environment != nullptr && !environment->empty() ? &(*environment)[0] : nullptr;
  if (block != nullptr) flags |= CREATE_UNICODE_ENVIRONMENT;
  return CreateProcessW(application, &command[0], nullptr, nullptr, inherit, flags, block, nullptr,
                        &si, &pi) != 0;
}

// Ctrl+C and Ctrl+Break in the console go to the program run in it; the
// pauser that waits for it lives on to report how it ended. A handler, unlike
// ignoring the keys outright, is not inherited by the program.
BOOL WINAPI Leave_to_the_program(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

}  // namespace

int Run_wide(const wchar_t* command) {
  std::fflush(stdout);
  return _wsystem(command);
}

int Run_shell_command(const std::string& command) {
  std::wstring wide;
  if (!To_wide(command, wide)) return 1;
  // -1, the interpreter could not start, is already non-zero.
  return Run_wide(wide.c_str());
}

bool Start_process(const std::string& application, const std::string& command_line, DWORD flags,
                   const std::string& title, PROCESS_INFORMATION& pi, std::wstring* environment) {
  std::wstring wapplication, wcommand, wtitle;
  if (!To_wide(application, wapplication) || wapplication.empty() ||
      !To_wide(command_line, wcommand) || !To_wide(title, wtitle)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return Create(wapplication.c_str(), wcommand, flags, wtitle, pi, environment);
}

long long Wait_for_exit(PROCESS_INFORMATION& pi, Program_run* figures) {
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  if (figures != nullptr) Measure(pi.hProcess, *figures);
  DWORD code = 0;
  const bool read = GetExitCodeProcess(pi.hProcess, &code) != 0;
  CloseHandle(pi.hProcess);
  return read ? static_cast<long long>(code) : -1;
}

// Started directly, not through "cmd /c", so that no character of a path is
// ever read by the interpreter.
int Compile(const std::string& com_path, const std::string& com_settings,
            const std::string& epath, const std::string& fpath, const std::string& header_dir) {
  if (Is_batch_file(com_path)) {
    Write_text(Stream::err, "编译器不能是批处理文件（.bat 或 .cmd）：" + Printable(com_path) + "\n");
    return 1;
  }
  PROCESS_INFORMATION pi{};
  const std::string line = Windows_compiler_command_line(com_path, com_settings, epath, fpath);
  std::wstring environment = Environment_with_header_path(header_dir);
  if (!Start_process(com_path, line, 0, "", pi, &environment)) {
    const std::string why = System_message(GetLastError());
    Write_text(Stream::err, "无法启动编译器 " + Printable(com_path) + "：" + why + "\n");
    return 1;
  }
  // Exception codes such as 0xC0000005 do not fit an int; only zero matters.
  return Wait_for_exit(pi) == 0 ? 0 : 1;
}

Program_run Run_and_wait(const std::string& program, const std::vector<std::string>& args) {
  Program_run run;
  std::wstring command;
  if (!To_wide(program, command) || command.empty()) {
    run.error = "程序路径无效";
    return run;
  }
  // The program's path is valid, so only an argument can be at fault.
  if (!To_wide(Windows_run_command_line(program, args), command)) {
    run.error = "参数不是有效的 UTF-8";
    return run;
  }

  // The window is named after the program, as a pauser's customarily is;
  // directly, since cmd's title would read "&" or "^" in a path. A console
  // the pauser shares with a shell gets its own title back at exit.
  static wchar_t title_before[1024];
  if (title_before[0] == 0 && GetConsoleTitleW(title_before, 1024) > 0)
    std::atexit([] { SetConsoleTitleW(title_before); });
  std::wstring title;
  if (To_wide(program, title)) SetConsoleTitleW(title.c_str());

  PROCESS_INFORMATION pi{};
  std::wstring no_title;
  SetConsoleCtrlHandler(Leave_to_the_program, TRUE);
  if (!Create(nullptr, command, 0, no_title, pi)) {
    const DWORD error = GetLastError();
    SetConsoleCtrlHandler(Leave_to_the_program, FALSE);
    run.error = Windows_start_failure(error, System_message(error));
    return run;
  }
  const long long code = Wait_for_exit(pi, &run);
  SetConsoleCtrlHandler(Leave_to_the_program, FALSE);
  // It ran: a return value that cannot be read leaves the status unknown
  // (-1, no text), never a failed start.
  run.started = true;
  run.status = code;
  if (code >= 0) run.status_text = Windows_exit_status_text(static_cast<unsigned long>(code));
  return run;
}

// The C runtime's argv is in the ANSI code page, which cannot hold most
// Chinese characters; the UTF-16 command line holds every path intact.
std::vector<std::string> Program_arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(To_utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}
