// The stand-in for the compiler, the pauser and the programs in the Wine tests,
// built with MinGW-w64. Every copy records the arguments it receives (from the
// UTF-16 command line, written as UTF-8), so that a test sees exactly what
// Vorlix passed.
//
// Named compiler.exe it is the compiler: it appends its arguments, one a line
// and then a line "--", to compiler.log beside itself; with an option -exit=N
// it writes an error message to standard error and exits with N, otherwise it
// copies itself to the file named after -o, written now (a precompiled header,
// named .gch, three seconds later), and exits with 0; without -o it only
// checks, and exits with 0.
//
// Under any other name it is a program (or a pauser): it appends "arg: " lines
// and its working directory ("cwd: ") to program.log in the working directory
// and exits with FAKE_PROGRAM_EXIT (a number, 0x for hex) or else 7. Before
// that it touches FAKE_PROGRAM_MIB MiB of memory and sleeps
// FAKE_PROGRAM_SLEEP_MS, where set, for the pauser's figures to measure. With
// FAKE_PROGRAM_READ_LINE=1 it reads one line of standard input, logged after
// its arguments ("line: ").
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, &s[0], n, nullptr, nullptr);
  return s;
}

bool Append(const std::wstring& path, const std::string& text) {
  FILE* log = _wfopen(path.c_str(), L"ab");
  if (log == nullptr) return false;
  std::fputs(text.c_str(), log);
  return std::fclose(log) == 0;
}

int Compiler(const std::wstring& self, int argc, wchar_t** argv) {
  std::string record;
  const wchar_t* output = nullptr;
  int status = 0;
  for (int i = 0; i < argc; ++i) {
    record += Utf8(argv[i]) + "\n";
    if (std::wcscmp(argv[i], L"-o") == 0 && i + 1 < argc) output = argv[i + 1];
    if (std::wcsncmp(argv[i], L"-exit=", 6) == 0) status = _wtoi(argv[i] + 6);
  }
  const std::wstring dir = self.substr(0, self.find_last_of(L'\\') + 1);
  if (!Append(dir + L"compiler.log", record + "--\n")) return 100;
  if (status != 0) {
    std::fprintf(stderr, "compiler.exe: error: exit %d\n", status);
    return status;
  }
  if (output == nullptr) return 0;
  const std::wstring out_name(output);
  if (out_name.size() > 4 && out_name.compare(out_name.size() - 4, 4, L".gch") == 0) Sleep(3000);
  if (!CopyFileW(self.c_str(), output, FALSE)) return 101;
  // A copy keeps the original's write time; a compiler's output is new.
  const HANDLE out = CreateFileW(output, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const bool touched = out != INVALID_HANDLE_VALUE && SetFileTime(out, nullptr, nullptr, &now);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  return touched ? 0 : 102;
}

unsigned long Number(const char* name, unsigned long otherwise) {
  char value[32];
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::strtoul(value, nullptr, 0) : otherwise;
}

void Work() {
  const unsigned long bytes = Number("FAKE_PROGRAM_MIB", 0) << 20;
  volatile char* memory = static_cast<char*>(std::malloc(bytes));
  for (unsigned long i = 0; memory != nullptr && i < bytes; i += 4096) memory[i] = 1;
  Sleep(Number("FAKE_PROGRAM_SLEEP_MS", 0));
}

unsigned Program(int argc, wchar_t** argv) {
  std::string record;
  for (int i = 0; i < argc; ++i) record += "arg: " + Utf8(argv[i]) + "\n";
  char line[256];
  if (Number("FAKE_PROGRAM_READ_LINE", 0) && std::fgets(line, sizeof line, stdin))
    record += "line: " + std::string(line);
  wchar_t cwd[4096];
  if (GetCurrentDirectoryW(4096, cwd) > 0) record += "cwd: " + Utf8(cwd) + "\n";
  if (!Append(L"program.log", record)) return 100;
  Work();
  return Number("FAKE_PROGRAM_EXIT", 7);
}

}  // namespace

int main() {
  wchar_t buffer[4096];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, 4096);
  const std::wstring self(buffer, n);
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const bool compiler = self.size() >= 13 && self.compare(self.size() - 13, 13, L"\\compiler.exe") == 0;
  ExitProcess(compiler ? Compiler(self, argc, argv) : Program(argc, argv));
}
