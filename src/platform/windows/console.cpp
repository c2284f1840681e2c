// The console: code page 65001 for output, lines read as UTF-16 and converted
// when standard input is a console; screen, title and key waits are the
// command interpreter's own commands; the title is set directly.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

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

}  // namespace

namespace {

UINT Output_code_page_before = 0;
UINT Input_code_page_before = 0;

// A console Vorlix shares with a shell (`vorlix FILE` typed at a prompt) is
// the user's: it gets its code pages back, so that the next program there
// reads and writes as it did before.
void Restore_code_pages() {
  if (Output_code_page_before != 0) SetConsoleOutputCP(Output_code_page_before);
  if (Input_code_page_before != 0) SetConsoleCP(Input_code_page_before);
}

}  // namespace

void Console_init() {
  static bool saved = false;
  if (!saved) {
    saved = true;
    Output_code_page_before = GetConsoleOutputCP();
    Input_code_page_before = GetConsoleCP();
    std::atexit(Restore_code_pages);
  }
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  // Redirected input is bytes as they come: text mode would end it at the
  // first Ctrl+Z byte.
  if (!Stdin_is_console()) _setmode(_fileno(stdin), _O_BINARY);
}

// Directly, as the pauser's window is titled, since cmd's `title` would read
// "&" or "^" in a path. A console shared with a shell gets its own title back
// at exit.
void Set_title(const std::string& title) {
  static wchar_t title_before[1024];
  if (title_before[0] == 0 && GetConsoleTitleW(title_before, 1024) > 0)
    std::atexit([] { SetConsoleTitleW(title_before); });
  std::wstring wide;
  if (To_wide(title, wide)) SetConsoleTitleW(wide.c_str());
}

void Clear_screen() { Run_wide(L"cls"); }

void Pause(const std::string&) {
  // What was typed or pasted before the prompt is not the key it asks for.
  // Nothing happens when standard input is not a console.
  FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
  Run_wide(L"pause");
}

// Byte reads of a console drop every character outside the ANSI code page, so
// a console is read as UTF-16 and converted.
bool Read_input_line(std::string& line, std::size_t keep, Line_kind) {
  line.clear();
  return Stdin_is_console() ? Read_console_line(line, keep) : Read_stream_line(line, keep);
}
