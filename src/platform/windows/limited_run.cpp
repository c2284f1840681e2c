// The judge's runner: a program under limits in a job object, watched while
// it runs; closing the job ends every process it started.
#include <algorithm>
#include <chrono>
#include <optional>

#include "platform/platform.h"
#include "platform/windows/internal.h"
#include "text/command_line.h"
#include "text/exit_status.h"
#include "text/pe_header.h"

#ifndef PSAPI_VERSION
#define PSAPI_VERSION 2
#endif
#include <psapi.h>

namespace {

const std::size_t Error_cap = 4096;
const DWORD Tick_ms = 5;
// An executable larger than this is not copied for its stack.
const std::size_t Max_program_bytes = 1u << 30;

using Clock = std::chrono::steady_clock;

// One of the program's output pipes, read by a thread of its own (a pipe
// cannot be waited on with the process), keeping at most `keep` bytes.
struct Pipe_reader {
  HANDLE pipe = nullptr;
  std::size_t keep = 0;
  CRITICAL_SECTION lock;
  std::string bytes;
  volatile LONG64 total = 0;
};

DWORD WINAPI Read_pipe(void* argument) {
  Pipe_reader& reader = *static_cast<Pipe_reader*>(argument);
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(reader.pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    EnterCriticalSection(&reader.lock);
    if (reader.bytes.size() < reader.keep)
      reader.bytes.append(buffer, std::min<std::size_t>(got, reader.keep - reader.bytes.size()));
    LeaveCriticalSection(&reader.lock);
    InterlockedExchangeAdd64(&reader.total, got);
  }
  return 0;
}

// The CPU time of every process of the job, as its accounting keeps it; 0
// where the system does not tell (Wine, whose GetProcessTimes of another
// process is not that process's either).
double Cpu_seconds(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  if (job == nullptr || !QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                                   sizeof accounting, nullptr))
    return 0;
  return static_cast<double>(accounting.TotalUserTime.QuadPart + accounting.TotalKernelTime.QuadPart) / 1e7;
}

unsigned long long Peak_bytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(process, &memory, sizeof memory)) return 0;
  return memory.PeakWorkingSetSize;
}

unsigned long long File_size(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The program's copy in its folder, with the memory limit as its stack
// reserve, since a Windows program's stack is fixed by its header.
Outcome Copy_with_stack(const std::string& program, const std::string& directory,
                        unsigned long long stack, std::string& copy) {
  std::string image;
  const Outcome read = Read_file(program, image, Max_program_bytes);
  if (!read) return read;
  Set_stack_reserve(image, stack);
  const auto slash = program.find_last_of("/\\");
  copy = directory + "\\" + (slash == std::string::npos ? program : program.substr(slash + 1));
  bool exists = false;
  return Create_file(copy, image, exists);
}

HANDLE Inheritable_input(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  std::wstring wide = L"NUL";
  if (!path.empty() && !To_wide(path, wide)) return INVALID_HANDLE_VALUE;
  return CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A pipe whose write end the program inherits.
bool Output_pipe(HANDLE& read_end, HANDLE& write_end) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  return true;
}

HANDLE Killing_job() {
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  // Closing the job ends every process in it; a crash ends the program at
  // once instead of waiting on an error dialog.
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

}  // namespace

Outcome Run_limited(const Limited_run_request& request, Limited_run& run) {
  run = Limited_run{};
  std::string copy;
  const Outcome copied = Copy_with_stack(request.program, request.directory, request.memory_limit_bytes, copy);
  if (!copied) return copied;
  std::wstring application, command, directory, watched;
  if (!To_wide(copy, application) || !To_wide(Windows_run_command_line(copy, request.args), command) ||
      !To_wide(request.directory, directory) ||
      !To_wide(request.output_file.empty() ? "" : request.directory + "\\" + request.output_file, watched))
    return Windows_failure(ERROR_INVALID_NAME);

  const HANDLE input = Inheritable_input(request.input_path);
  if (input == INVALID_HANDLE_VALUE) return Windows_failure(GetLastError());
  HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
  if (!Output_pipe(out_read, out_write) || !Output_pipe(err_read, err_write)) {
    const DWORD error = GetLastError();
    for (HANDLE h : {input, out_read, out_write, err_read, err_write})
      if (h != nullptr) CloseHandle(h);
    return Windows_failure(error);
  }
  const HANDLE job = Killing_job();
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = input;
  si.hStdOutput = out_write;
  si.hStdError = err_write;
  PROCESS_INFORMATION pi{};
  // No error box of the system's stops a crashed program from ending.
  const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const BOOL created = CreateProcessW(application.c_str(), &command[0], nullptr, nullptr, TRUE,
                                      CREATE_SUSPENDED, nullptr, directory.c_str(), &si, &pi);
  const DWORD create_error = GetLastError();
  SetErrorMode(old_mode);
  for (HANDLE h : {input, out_write, err_write}) CloseHandle(h);
  if (!created) {
    for (HANDLE h : {out_read, err_read}) CloseHandle(h);
    if (job != nullptr) CloseHandle(job);
    return Windows_failure(create_error);
  }
  if (job != nullptr) AssignProcessToJobObject(job, pi.hProcess);
  const auto start = Clock::now();
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);

  Pipe_reader out, err;
  out.pipe = out_read;
  out.keep = request.output_cap + 1;
  err.pipe = err_read;
  err.keep = Error_cap;
  InitializeCriticalSection(&out.lock);
  InitializeCriticalSection(&err.lock);
  HANDLE threads[2] = {CreateThread(nullptr, 0, Read_pipe, &out, 0, nullptr),
                       CreateThread(nullptr, 0, Read_pipe, &err, 0, nullptr)};

  auto stop = [&](Stop_reason why) {
    if (run.stopped == Stop_reason::none) run.stopped = why;
    if (job != nullptr) TerminateJobObject(job, 1);
    TerminateProcess(pi.hProcess, 1);
  };
  unsigned long long peak = 0;
  double cpu = 0;
  const auto wall_limit = std::chrono::duration<double>(request.wall_limit_seconds);
  while (WaitForSingleObject(pi.hProcess, Tick_ms) == WAIT_TIMEOUT) {
    if (run.stopped != Stop_reason::none) continue;
    if (Interrupted()) stop(Stop_reason::interrupted);
    peak = std::max(peak, Peak_bytes(pi.hProcess));
    cpu = Cpu_seconds(job);
    if (static_cast<unsigned long long>(InterlockedExchangeAdd64(&out.total, 0)) > request.output_cap ||
        (!watched.empty() && File_size(watched) > request.output_cap))
      stop(Stop_reason::output);
    else if (peak > request.memory_limit_bytes)
      stop(Stop_reason::memory);
    else if (cpu > request.cpu_limit_seconds || Clock::now() - start > wall_limit)
      stop(Stop_reason::time);
  }
  run.wall_seconds = std::chrono::duration<double>(Clock::now() - start).count();
  peak = std::max(peak, Peak_bytes(pi.hProcess));
  cpu = std::max(cpu, Cpu_seconds(job));
  DWORD code = 0;
  const bool read = GetExitCodeProcess(pi.hProcess, &code) != 0;
  CloseHandle(pi.hProcess);
  // Whatever the program left running goes with the job; then the pipes'
  // last writers are gone and the readers reach their end.
  if (job != nullptr) {
    TerminateJobObject(job, 1);
    CloseHandle(job);
  }
  WaitForMultipleObjects(2, threads, TRUE, INFINITE);
  for (HANDLE h : {threads[0], threads[1], out_read, err_read}) CloseHandle(h);
  DeleteCriticalSection(&out.lock);
  DeleteCriticalSection(&err.lock);
  run.out = std::move(out.bytes);
  run.err = std::move(err.bytes);
  if (static_cast<unsigned long long>(out.total) > request.output_cap && run.stopped == Stop_reason::none)
    run.stopped = Stop_reason::output;
  if (run.out.size() > request.output_cap) run.out.resize(request.output_cap);

  // Ctrl+C reaches the program, which shares the console, as soon as this
  // process's handler, which runs on a thread of its own: a program ended
  // by it waits a moment for the handler, so that the run reads as stopped.
  const DWORD control_c_exit = 0xC000013AUL;
  for (int i = 0; read && code == control_c_exit && !Interrupted() && i < 50; ++i) Sleep(10);
  if (read && code == control_c_exit && Interrupted() && run.stopped == Stop_reason::none)
    run.stopped = Stop_reason::interrupted;
  run.status = read ? static_cast<long long>(code) : -1;
  run.failed = !read || code != 0;
  run.status_text = read ? Windows_exit_status_text(code) : "?";
  if (cpu > 0) run.cpu_seconds = cpu;
  if (peak > 0) run.peak_mib = static_cast<double>(peak) / (1024.0 * 1024.0);
  return {};
}
