#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/utf8_carry.h"

namespace {

// Each row: the pieces written to one stream in turn, and what each piece
// gives the console. A character comes out with its last byte, never before.
TEST(Utf16_of_write, HoldsACharacterUntilItsLastByteAndReplacesWhatIsNotUtf8) {
  const struct {
    const char* name;
    std::vector<std::string> writes;
    std::vector<std::u16string> shown;
  } cases[] = {
      {"ascii", {"1. a"}, {u"1. a"}},
      {"one write", {"\xE8\xBF\x90"}, {u"运"}},
      {"two writes", {"\xE8\xBF", "\x90"}, {u"", u"运"}},
      {"two writes, lead alone", {"\xE8", "\xBF\x90"}, {u"", u"运"}},
      {"three writes", {"\xE8", "\xBF", "\x90"}, {u"", u"", u"运"}},
      {"typed out", {"1", ".", " ", "\xE8", "\xBF", "\x90", "a"},
       {u"1", u".", u" ", u"", u"", u"运", u"a"}},
      {"after a whole one", {"\xE8\xBF\x90\xE8", "\xA1\x8C"}, {u"运", u"行"}},
      {"two bytes", {"\xC3", "\xA9"}, {u"", u"é"}},
      {"four bytes, pair", {"\xF0\x9F\x98\x80"}, {u"\xD83D\xDE00"}},
      {"four writes, pair", {"\xF0", "\x9F", "\x98", "\x80"}, {u"", u"", u"", u"\xD83D\xDE00"}},
      {"last character", {"\xF4\x8F\xBF\xBF"}, {u"\xDBFF\xDFFF"}},
      {"invalid byte", {"a\xFF" "b"}, {u"a\uFFFDb"}},
      {"invalid byte alone", {"\xFF", "b"}, {u"\uFFFD", u"b"}},
      {"stray continuation", {"\x80", "a"}, {u"\uFFFD", u"a"}},
      {"cut short by ascii", {"\xE8", "a"}, {u"", u"\uFFFDa"}},
      {"cut short in one write", {"\xE8\xBF" "a\xE8\xBF\x90"}, {u"\uFFFDa运"}},
      {"cut short by a lead", {"\xE8", "\xE8\xBF\x90"}, {u"", u"\uFFFD运"}},
      {"invalid then a held lead", {"\xFF\xE8", "\xBF\x90"}, {u"\uFFFD", u"运"}},
      {"overlong two bytes", {"\xC0\x80"}, {u"\uFFFD\uFFFD"}},
      {"overlong three bytes", {"\xE0\x80\x80"}, {u"\uFFFD\uFFFD\uFFFD"}},
      {"surrogate", {"\xED\xA0\x80"}, {u"\uFFFD\uFFFD\uFFFD"}},
      {"beyond U+10FFFF", {"\xF4\x90\x80\x80"}, {u"\uFFFD\uFFFD\uFFFD\uFFFD"}},
      {"F5 never leads", {"\xF5", "\x80"}, {u"\uFFFD", u"\uFFFD"}},
      {"NUL passes", {std::string("\0a", 2)}, {std::u16string(u"\0a", 2)}},
      {"empty write keeps what is held", {"\xE8", "", "\xBF\x90"}, {u"", u"", u"运"}},
  };
  for (const auto& c : cases) {
    std::string held;
    std::vector<std::u16string> shown;
    for (const auto& w : c.writes) shown.push_back(Utf16_of_write(held, w));
    EXPECT_EQ(shown, c.shown) << c.name;
  }
}

// What is held belongs to one stream: a piece of another stream in between
// neither completes nor breaks it.
TEST(Utf16_of_write, EachStreamHoldsItsOwnBytes) {
  std::string out_held, err_held;
  EXPECT_EQ(Utf16_of_write(out_held, "\xE8\xBF"), u"");
  EXPECT_EQ(Utf16_of_write(err_held, "a\xE4"), u"a");
  EXPECT_EQ(Utf16_of_write(out_held, "\x90"), u"运");
  EXPECT_EQ(Utf16_of_write(err_held, "\xBB\xA3"), u"代");
}

}  // namespace
