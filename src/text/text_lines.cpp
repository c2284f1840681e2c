#include "text/text_lines.h"

#include <utility>

namespace {

// The last line has all it may keep, and no CR left open that the next byte
// could turn into a line break.
bool Done(const Text_lines& t) {
  if (t.line >= t.keep.size()) return true;
  return t.line + 1 == t.keep.size() && t.lines[t.line].size() >= t.keep[t.line] && !t.cr_kept;
}

}  // namespace

Text_lines Start_text_lines(std::vector<std::size_t> keep) {
  Text_lines t;
  t.lines.assign(keep.size(), "");
  t.keep = std::move(keep);
  return t;
}

bool Take_text(Text_lines& t, const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size && !Done(t); ++i) {
    std::string& line = t.lines[t.line];
    const char c = data[i];
    if (c == '\n') {
      if (t.cr_kept) line.pop_back();
      t.cr_kept = false;
      ++t.line;
    } else if (line.size() < t.keep[t.line]) {
      line += c;
      t.cr_kept = c == '\r';
    } else {
      t.cr_kept = false;  // a kept CR followed by more of the line is the line's own
    }
  }
  return !Done(t);
}

void End_text(Text_lines& t) {
  if (t.line < t.keep.size() && t.cr_kept) t.lines[t.line].pop_back();
  t.cr_kept = false;
  t.line = t.keep.size();
}

bool Read_text(const std::vector<std::size_t>& keep,
               const std::function<long long(char* buffer, std::size_t size)>& read,
               std::vector<std::string>& lines) {
  Text_lines t = Start_text_lines(keep);
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const long long n = read(buffer.data(), buffer.size());
    if (n < 0) return false;  // a file that fails midway counts as unreadable
    if (n == 0 || !Take_text(t, buffer.data(), static_cast<std::size_t>(n))) break;
  }
  End_text(t);
  lines = t.lines;
  return true;
}

std::vector<std::string> Split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> Cut_lines(const std::string& text, std::vector<std::size_t> keep) {
  Text_lines t = Start_text_lines(std::move(keep));
  Take_text(t, text.data(), text.size());
  End_text(t);
  return t.lines;
}
