// Running programs in this console with CreateProcessW, and the command
// interpreter for its own commands. The compiler's run is compile.cpp's, so
// that the pauser, which runs programs only, links nothing of the compile.
#include <cstdio>
#include <cstdlib>

#include "text/command_line.h"
#include "platform/platform.h"
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

// How a started process ended: its exit code, an exception's when it died of
// one (NTSTATUS codes with the top bit set, such as 0xC0000005).
Program_run Waited(PROCESS_INFORMATION& pi, bool figures) {
  Program_run run;
  const long long code = Wait_for_exit(pi, figures ? &run : nullptr);
  if (code < 0) {
    run.outcome = Seam_fault(Failure::Fault::status_unreadable, "exit code unreadable");
    return run;
  }
  run.status = code;
  run.end = (code & 0x80000000LL) != 0 ? Program_run::End::exception : Program_run::End::returned;
  return run;
}

Program_run Run_and_wait(const std::string& program, const std::vector<std::string>& args) {
  Program_run run;
  std::wstring command;
  if (!To_wide(program, command) || command.empty()) {
    run.outcome = Seam_fault(Failure::Fault::invalid_path, "invalid program path");
    return run;
  }
  // The program's path is valid, so only an argument can be at fault.
  if (!To_wide(Windows_run_command_line(program, args), command)) {
    run.outcome = Seam_fault(Failure::Fault::arguments_not_utf8, "arguments not UTF-8");
    return run;
  }

  // The window is named after the program, as a pauser's customarily is.
  Set_title(program);

  PROCESS_INFORMATION pi{};
  std::wstring no_title;
  SetConsoleCtrlHandler(Leave_to_the_program, TRUE);
  if (!Create(nullptr, command, 0, no_title, pi)) {
    const DWORD error = GetLastError();
    SetConsoleCtrlHandler(Leave_to_the_program, FALSE);
    run.outcome = Windows_failure(error);
    return run;
  }
  run = Waited(pi, true);
  SetConsoleCtrlHandler(Leave_to_the_program, FALSE);
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
