// The pure text helpers of the platform folder: what may be shown on a
// terminal, and the bounded lines of a file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/printable.h"
#include "text/stable_hash.h"
#include "text/text_lines.h"

namespace {

TEST(Printable, EscapesControlCharactersAndKeepsTheRest) {
  const struct {
    std::string value, shown;
  } cases[] = {
      {"/usr/bin/g++", "/usr/bin/g++"},
      {"/usr/bin/g++\x1b[2K\r", "/usr/bin/g++\\x1b[2K\\x0d"},
      {std::string("a\tb\x7f\0", 5), "a\\x09b\\x7f\\x00"},
      {"\xc2\x9b" "31m", "\\xc2\\x9b31m"},                  // C1 CSI
      {"\xc2\x9f", "\\xc2\\x9f"},                            // the last of C1
      {"\xc2\xa0中文 é", "\xc2\xa0中文 é"},                   // U+00A0 and up stay
      {"C:\\Dev\\x64\\g++.exe", "C:\\Dev\\x64\\g++.exe"},  // backslashes as typed
  };
  for (const auto& c : cases) EXPECT_EQ(Printable(c.value), c.shown) << c.shown;
}

// Fed at once or a byte at a time, the lines are the same, and reading stops
// as soon as nothing more could change them.
TEST(Text_lines, CutsEachLineAtItsBoundAndStopsAfterTheLast) {
  const struct {
    std::string text;
    std::vector<std::size_t> keep;
    std::vector<std::string> lines;
    std::size_t taken;  // bytes taken before no more were needed
  } cases[] = {
      {"a\nb\nc\nd", {9, 9, 9}, {"a", "b", "c"}, 6},
      {"a\r\nb\r\nc\r", {9, 9, 9}, {"a", "b", "c"}, 8},
      {"abcdef\nxy", {3, 9}, {"abc", "xy"}, 9},
      {"ab\r\nxy", {3, 9}, {"ab", "xy"}, 6},           // the CR at the bound
      {"ab\rc\nxy", {3, 9}, {"ab\r", "xy"}, 7},        // a CR inside a line is its own
      {"x\nabcdef", {9, 3}, {"x", "abc"}, 5},          // the last line: stops at its bound
      {"x\nab\r", {9, 3}, {"x", "ab"}, 5},             // a CR at the end of the text
      {"x\nab\rz", {9, 3}, {"x", "ab\r"}, 6},          // waits one byte after a kept CR
      {"abc\n", {0, 2}, {"", ""}, 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cut_lines(c.text, c.keep), c.lines) << c.text;
    Text_lines t = Start_text_lines(c.keep);
    std::size_t taken = 0;
    while (taken < c.text.size() && Take_text(t, &c.text[taken], 1)) ++taken;
    if (taken < c.text.size()) ++taken;  // the byte after which none was needed
    End_text(t);
    EXPECT_EQ(t.lines, c.lines) << c.text;
    EXPECT_EQ(taken, c.taken) << c.text;
  }
}

}  // namespace

// The names of cache entries and build records are found again by the next
// Vorlix, on any system: the published FNV-1a values, never the build's own.
TEST(Stable_hash, IsSixtyFourBitFnv1aInHex) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "cbf29ce484222325"}, {"a", "af63dc4c8601ec8c"}, {"foobar", "85944171f73967e8"}};
  for (const auto& [bytes, hash] : cases) EXPECT_EQ(Stable_hash(bytes), hash) << bytes;
}
