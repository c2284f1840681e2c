// The line editor on a terminal (libedit): cursor keys, Home/End, whole UTF-8
// characters, a history of this run for each kind of line, and Tab completion
// of file names on path lines (folders and C++ sources only for the source).
// The prompt is Vorlix's own, already printed on a line of its own, so the
// editor shows none.
#include <dirent.h>
#include <histedit.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/internal.h"
#include "text/utf8_ctype.h"

namespace {

EditLine* Editor = nullptr;
// One history for each Line_kind, so that Up in the pauser's editor never
// offers a source path, which would make every later start fail.
History* Histories[static_cast<int>(Line_kind::options) + 1] = {};
Line_kind Kind = Line_kind::answer;

char* No_prompt(EditLine*) {
  static char empty[] = "";
  return empty;
}

struct Entry {
  std::string name;
  bool directory;
};

bool Is_cpp_name(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".cpp";
}

// The entries of `dir` whose names begin with `prefix`; names beginning with
// "." only when the prefix does; with `sources_only`, folders and .cpp files
// (any case) alone, so that the executable beside a source never gets in the
// way of completing it.
std::vector<Entry> Entries_starting(const std::string& dir, const std::string& prefix,
                                    bool sources_only) {
  std::vector<Entry> found;
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return found;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == ".." || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (name[0] == '.' && (prefix.empty() || prefix[0] != '.')) continue;
    struct stat st;
    const bool directory = stat((dir + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (sources_only && !directory && !Is_cpp_name(name)) continue;
    found.push_back({name, directory});
  }
  closedir(d);
  std::sort(found.begin(), found.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return found;
}

// The largest length up to `n` at which `s` (of `size` bytes) can be cut
// without cutting a UTF-8 character.
std::size_t Whole_characters(const char* s, std::size_t size, std::size_t n) {
  while (n > 0 && n < size && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

// The longest beginning that all names share, ending on a whole UTF-8 character.
std::string Common_beginning(const std::vector<Entry>& entries) {
  std::string common = entries[0].name;
  for (const auto& e : entries) {
    std::size_t n = 0;
    while (n < common.size() && n < e.name.size() && common[n] == e.name[n]) ++n;
    common.resize(n);
  }
  if (entries.size() > 1)
    common.resize(Whole_characters(entries[0].name.data(), entries[0].name.size(), common.size()));
  return common;
}

// Tab: on a path line, completes the file name before the cursor as far as
// the directory's names agree, adding "/" after a directory and nothing after
// a file (a space would make the path invalid); when they agree no further,
// lists them. On answer and option lines a Tab is just a character.
unsigned char Complete(EditLine* el, int) {
  if (Kind == Line_kind::answer || Kind == Line_kind::options)
    return el_insertstr(el, "\t") == 0 ? CC_REFRESH : CC_ERROR;
  const LineInfo* li = el_line(el);
  // The whole line is one path, spaces and all.
  const std::string typed(li->buffer, li->cursor);
  const std::size_t slash = typed.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : typed.substr(0, slash + 1);
  const std::string prefix = typed.substr(dir.size());
  const std::vector<Entry> entries = Entries_starting(dir, prefix, Kind == Line_kind::source);
  if (entries.empty()) return CC_REFRESH_BEEP;

  const std::string common = Common_beginning(entries);
  // Shorter only when the typed name ends inside a character (not UTF-8).
  std::string more = common.size() > prefix.size() ? common.substr(prefix.size()) : "";
  if (entries.size() == 1 && entries[0].directory) more += '/';
  if (!more.empty()) return el_insertstr(el, more.c_str()) == 0 ? CC_REFRESH : CC_ERROR;
  if (entries.size() == 1) return CC_NORM;

  // A file name may hold any byte but "/": control characters in one would
  // reach the terminal as its commands (a new title, say).
  std::string list = "\n";
  for (const auto& e : entries) list += Printable(e.name) + (e.directory ? "/" : "") + "  ";
  list += "\n";
  std::fwrite(list.data(), 1, list.size(), stdout);
  std::fflush(stdout);
  return CC_REDISPLAY;
}

// Ctrl-D: end of input on an empty line, as the terminal's own line input
// has it, and without echoing anything; else it deletes the character under
// the cursor.
unsigned char End_or_delete(EditLine* el, int) {
  const LineInfo* li = el_line(el);
  if (li->buffer == li->lastchar) return CC_EOF;
  if (li->cursor == li->lastchar) return CC_ERROR;
  el_cursor(el, 1);
  el_deletestr(el, 1);
  return CC_REFRESH;
}

void Start_editor() {
  Use_utf8_ctype();  // before el_init, which looks at the character set once
  Editor = el_init("vorlix", stdin, stdout, stderr);
  if (Editor == nullptr) return;
  el_set(Editor, EL_EDITOR, "emacs");
  el_set(Editor, EL_PROMPT, No_prompt);
  el_set(Editor, EL_ADDFN, "vorlix-complete", "Complete a file name", Complete);
  el_set(Editor, EL_BIND, "^I", "vorlix-complete", nullptr);
  el_set(Editor, EL_ADDFN, "vorlix-end-or-delete", "End of input or delete", End_or_delete);
  el_set(Editor, EL_BIND, "^D", "vorlix-end-or-delete", nullptr);
  HistEvent ev;
  for (History*& h : Histories) {
    h = history_init();
    history(h, &ev, H_SETSIZE, 500);
    history(h, &ev, H_SETUNIQUE, 1);
  }
}

}  // namespace

bool Read_edited_line(std::string& line, std::size_t keep, Line_kind kind) {
  if (Editor == nullptr) Start_editor();
  if (Editor == nullptr) return Read_plain_line(line, keep);
  Kind = kind;
  History* h = Histories[static_cast<int>(kind)];
  el_set(Editor, EL_HIST, history, h);
  el_resize(Editor);  // the window may have changed size since the last line

  const char* got = nullptr;
  int count = 0;
  Guard_terminal([&] {
    got = el_gets(Editor, &count);
    return true;
  });
  if (got == nullptr || count <= 0) return false;  // end of input, or the terminal gone
  std::size_t length = strnlen(got, static_cast<std::size_t>(count));
  if (length > 0 && got[length - 1] == '\n') --length;
  line.assign(got, std::min(length, keep));
  // The history keeps what the caller keeps, no more (twenty pasted 1 MB
  // lines at an answer prompt are twenty answers' worth of bytes), and no
  // character cut short, which the editor could not bring back.
  const std::string kept = line.substr(0, Whole_characters(got, length, line.size()));
  if (!kept.empty()) {
    HistEvent ev;
    history(h, &ev, H_ENTER, kept.c_str());
  }
  return true;
}
