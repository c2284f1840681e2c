// The contest forms' plain pieces: the comparison, the command line, sample
// numbers, the output cap and the stack reserve of a PE header.
#include <gtest/gtest.h>

#include <string>

#include "contest/compare.h"
#include "contest/contest_options.h"
#include "contest/run_sample.h"
#include "contest/samples.h"
#include "text/pe_header.h"

namespace {

TEST(Compare_answers, FollowsTheJudgesRules) {
  Comparison_mode lines, exact, eps;
  exact.exact = true;
  eps.eps = 1e-6;
  const struct {
    std::string expected, actual;
    Comparison_mode mode;
    bool equal;
    std::size_t where;
  } rows[] = {
      {"1 2\n3\n", "1 2\n3\n", lines, true, 0},
      {"1 2\n3\n", "1 2 \t\r\n3", lines, true, 0},
      {"1 2\n3\n", "1 2\n3\n\n\n  \n", lines, true, 0},
      {"1 2\n3\n", "1  2\n3\n", lines, false, 1},
      {"1\n2\n", "1\n", lines, false, 2},
      {"1\n", "1\n2\n", lines, false, 2},
      {"\n", "", lines, true, 0},
      {"1\n", "1", exact, false, 1},
      {"1\n2\n", "1\n3\n", exact, false, 2},
      {"a b\n", "a b\n", exact, true, 0},
      {"3.1415926 x\n", "3.1415930\nx", eps, true, 0},
      {"1000000\n", "1000000.5\n", eps, true, 0},  // relative
      {"1\n", "1.1\n", eps, false, 1},
      {"1 2\n", "1 2 3\n", eps, false, 3},
      {"nan\n", "nan\n", eps, true, 0},  // same bytes
      {"inf\n", "INF\n", eps, false, 1},
  };
  for (const auto& row : rows) {
    const Difference d = Compare_answers(row.expected, row.actual, row.mode);
    EXPECT_EQ(d.equal, row.equal) << row.expected << "|" << row.actual;
    EXPECT_EQ(d.where, row.where) << row.expected << "|" << row.actual;
  }
}

TEST(Compare_answers, NamesBothSidesOfTheFirstDifference) {
  const Difference d = Compare_answers("a\nb\n", "a\n", Comparison_mode{});
  EXPECT_EQ(d.expected, "b");
  EXPECT_TRUE(d.actual_ended);
  EXPECT_FALSE(d.expected_ended);
}

TEST(Is_decimal_number, TakesSignDigitsOnePointAndExponent) {
  for (const char* yes : {"0", "-1", "+2.5", ".5", "5.", "1e9", "1E-3", "-0.0e+10"})
    EXPECT_TRUE(Is_decimal_number(yes)) << yes;
  for (const char* no : {"", "-", ".", "1.2.3", "e5", "1e", "nan", "inf", "0x10", "1,5", "1e5.5"})
    EXPECT_FALSE(Is_decimal_number(no)) << no;
}

TEST(Cut_text, CutsOnACharacterBoundary) {
  EXPECT_EQ(Cut_text("abc", 3), "abc");
  EXPECT_EQ(Cut_text("abcd", 3), "abc…");
  EXPECT_EQ(Cut_text("中文字", 4), "中…");  // three bytes each
}

TEST(Parse_contest_options, ReadsTheFormsOptions) {
  Contest_options o;
  std::string error;
  ASSERT_TRUE(Parse_contest_options({"--time-limit=500", "a.cpp", "--memory-limit=64", "--eps=1e-6"}, false, o, error));
  EXPECT_EQ(o.paths, std::vector<std::string>{"a.cpp"});
  EXPECT_EQ(*o.time_limit_ms, 500);
  EXPECT_EQ(*o.memory_limit_mib, 64);
  EXPECT_EQ(o.mode.eps, 1e-6);
  ASSERT_TRUE(Parse_contest_options({"a.cpp", "b.cpp", "c.cpp", "--rounds=7", "--time-budget=2.5",
                                     "--brute-time-limit=9000", "--exact"}, true, o, error));
  EXPECT_EQ(o.rounds, 7u);
  EXPECT_EQ(*o.time_budget_seconds, 2.5);
  EXPECT_EQ(*o.brute_time_limit_ms, 9000);
  EXPECT_TRUE(o.mode.exact);
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"a.cpp", "--time-limit"}, {"a.cpp", "--time-limit=-1"}, {"a.cpp", "--eps=x"},
        {"a.cpp", "--memory-limit=1e999"}, {"a.cpp", "--exact", "--eps=0"}, {"a.cpp", "--rounds=3"}, {}, {"-x"}}) {
    EXPECT_FALSE(Parse_contest_options(bad, false, o, error)) << bad.size();
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(Parse_contest_options({"a.cpp", "b.cpp", "c.cpp", "--rounds=1.5"}, true, o, error));
}

TEST(Sample_number, TakesOnlyNumberedSamplesOfTheSource) {
  EXPECT_EQ(Sample_number("a.1.in", "a"), 1u);
  EXPECT_EQ(Sample_number("a.10.ans", "a"), 10u);
  EXPECT_EQ(Sample_number("a.b.3.in", "a.b"), 3u);
  for (const char* no : {"a.in", "a.0.in", "a.01.in", "a.1.out", "b.1.in", "a.1x.in", "a..in", "ab.1.in"})
    EXPECT_EQ(Sample_number(no, "a"), 0u) << no;
}

TEST(Source_path, SplitsFolderAndName) {
  EXPECT_EQ(Source_folder("a.cpp"), "");
  EXPECT_EQ(Source_folder("d/e/a.CPP"), "d/e/");
  EXPECT_EQ(Source_folder("D:\\p\\a.cpp"), "D:\\p\\");
  EXPECT_EQ(Source_name("d/e/a.CPP"), "a");
  EXPECT_EQ(Source_name("x.y.cpp"), "x.y");
}

TEST(Output_cap, IsFourTimesTheAnswerAndAMebibyteAtMost64MiB) {
  EXPECT_EQ(Output_cap(-1), 64u << 20);
  EXPECT_EQ(Output_cap(0), 1u << 20);
  EXPECT_EQ(Output_cap(100), 400u + (1u << 20));
  EXPECT_EQ(Output_cap(100ll << 20), 64u << 20);
}

// A minimal image: "MZ", the PE header at 0x40, an optional header of the
// given magic with a stack reserve and commit.
std::string Image(unsigned magic, unsigned long long reserve, unsigned long long commit) {
  std::string image(0x40 + 24 + 240, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 0x40;
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  const std::size_t optional = 0x40 + 24;
  image[optional] = static_cast<char>(magic & 0xFF);
  image[optional + 1] = static_cast<char>(magic >> 8);
  const int size = magic == 0x20B ? 8 : 4;
  for (int i = 0; i < size; ++i) {
    image[optional + 72 + i] = static_cast<char>((reserve >> (8 * i)) & 0xFF);
    image[optional + 72 + size + i] = static_cast<char>((commit >> (8 * i)) & 0xFF);
  }
  return image;
}

TEST(Set_stack_reserve, WritesTheHeadersField) {
  std::string pe64 = Image(0x20B, 2 << 20, 4096);
  ASSERT_TRUE(Set_stack_reserve(pe64, 256ULL << 20));
  EXPECT_EQ(Stack_reserve(pe64), 256ULL << 20);
  std::string pe32 = Image(0x10B, 1 << 20, 8192);
  ASSERT_TRUE(Set_stack_reserve(pe32, 8ULL << 30));
  EXPECT_EQ(Stack_reserve(pe32), 0xFFFFFFFFULL);
  ASSERT_TRUE(Set_stack_reserve(pe32, 100));
  EXPECT_EQ(Stack_reserve(pe32), 8192u);  // never below the commit
  for (std::string bad : {std::string("MZ"), std::string(200, 'x'), Image(0x107, 1, 1)}) {
    const std::string before = bad;
    EXPECT_FALSE(Set_stack_reserve(bad, 1 << 20));
    EXPECT_EQ(bad, before);
  }
}

}  // namespace
