// The first lines of a text, each cut at a bound of its own, taken piece by
// piece as a file is read, so that a reader never holds more of a file than
// the lines it keeps, however large the file. A plain string helper, built
// and tested everywhere; each system's file reading feeds it.
//
// A line ends at LF. A CR just before the LF, or just before the end of the
// text, belongs to the line break (a file written on Windows). What a line
// holds beyond its bound is passed over; once the last line is complete,
// nothing after it matters.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct Text_lines {
  std::vector<std::size_t> keep;   // the bound of each line, in bytes, in order
  std::vector<std::string> lines;  // one for each bound; a missing line is empty
  std::size_t line = 0;            // the line being read; keep.size() when all are done
  bool cr_kept = false;            // its last byte kept is a CR that may yet end it
};

// Ready to take a text whose lines are cut at `keep`.
Text_lines Start_text_lines(std::vector<std::size_t> keep);

// Takes the next `size` bytes of the text. Returns false once nothing more
// of the text could change the lines.
bool Take_text(Text_lines& t, const char* data, std::size_t size);

// The text has ended: a CR at its very end goes.
void End_text(Text_lines& t);

// The bounded read, the same on every system: asks `read` for pieces of a
// file into a buffer of 64 KiB (it returns how many bytes it put there, 0 at
// the end of the file, or a negative number for a failed read) until the
// file ends or nothing more of it could change the lines. True with the lines
// cut at `keep`; false, with `lines` untouched, when a read failed midway.
bool Read_text(const std::vector<std::size_t>& keep,
               const std::function<long long(char* buffer, std::size_t size)>& read,
               std::vector<std::string>& lines);

// The lines of `text` as they are, each without its "\n" (a "\r" stays); a
// last line without a line break counts, an empty text has none.
std::vector<std::string> Split_lines(const std::string& text);

// The lines of a whole text at once.
std::vector<std::string> Cut_lines(const std::string& text, std::vector<std::size_t> keep);
