// Built instead of line_editor.cpp where libedit is not installed: lines on a
// terminal are read as the terminal's own line input gives them.
#include "platform/posix/internal.h"

bool Read_edited_line(std::string& line, std::size_t keep, Line_kind) {
  return Read_plain_line(line, keep);
}
