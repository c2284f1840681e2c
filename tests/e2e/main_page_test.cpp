#include <gtest/gtest.h>

#include <random>

#include "harness.h"
#include "temp_dir.h"

namespace {

const std::string ABOUT = CLS +
                          "作者：Vorlix 团队（https://example.org/vorlix）\n介绍：超轻量 Vorlix\n"
                          "版本：Alpha 1.0\n发布时间：2025/10/3\n\n" + PAUSE;

TEST(Main_page, ChoiceThreeSavesAndSaysFarewell) {
  Temp_dir dir;
  const Session s = Run_vorlix(dir.path(), "3\n");
  EXPECT_EQ(s.out, Main_page() + FAREWELL);
  EXPECT_EQ(s.status, 0);
  EXPECT_GE(s.seconds, 2.5);
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), "\n\n");
}

// Started with the interrupt ignored (by nohup, say), Vorlix leaves it so.
TEST(Main_page, AnInterruptIgnoredWhenStartedStaysIgnored) {
  Temp_dir dir;
  Session_options ignored;
  ignored.prelude = "trap '' INT; (sleep 1; kill -INT $$) & :";
  const Session s = Run_vorlix(dir.path(), "3\n", ignored);
  EXPECT_EQ(s.out, Main_page() + FAREWELL);
  EXPECT_EQ(s.status, 0);
}

TEST(Main_page, RefusesAnythingButOneToThreeWithoutRepeatingTheQuestion) {
  Temp_dir dir;
  const std::string refused[] = {
      "",   "0",    "4",    " 1",  "1 ",          "+1",         "-1",
      "1.0", "0000000001", "a",  "\xef\xbc\x91", "\xff\xfe", std::string("1\0", 2),
      "\x1b[A", "1\r", std::string(100000, '1'),
  };
  for (const auto& line : refused) {
    const Session s = Run_vorlix(dir.path(), line + "\n");
    EXPECT_EQ(s.out, Main_page() + COMPLAINT) << "line: " << line.substr(0, 20);
    EXPECT_EQ(s.status, 1);  // end of input after the refusal
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "vorlix_data.sg"));

  for (const char* line : {"1", "01", "001", "000000001"}) {
    const Session s = Run_vorlix(dir.path(), std::string(line) + "\n");
    EXPECT_EQ(s.out, Main_page() + ASK_PATH) << "line: " << line;
  }
}

TEST(Main_page, SettingsPageAboutScreenAndBack) {
  Temp_dir dir;
  const Session s = Run_vorlix(dir.path(), "2\n\n0\n6\n4\n5\n3\n");
  EXPECT_EQ(s.out, Main_page() + Settings_page() + COMPLAINT + COMPLAINT + COMPLAINT + ABOUT +
                       Settings_page() + Main_page() + FAREWELL);
  EXPECT_EQ(s.status, 0);
}

TEST(Main_page, EndOfInputAtAnyPromptEndsAtOnceWithoutSaving) {
  Temp_dir dir;
  Write_file(dir / "vorlix_data.sg", "a\nb\nc");
  const std::string inputs[] = {"", "2\n", "2\n1\n", "2\n1\nnew", "1\n", "1\nno.cpp\n"};
  for (const auto& input : inputs) {
    const Session s = Run_vorlix(dir.path(), input);
    EXPECT_EQ(s.status, 1) << input;
    EXPECT_FALSE(s.timed_out);
    EXPECT_EQ(s.out.find("将在"), std::string::npos);
  }
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), "a\nb\nc");
}

// Whatever bytes arrive, the program answers them and ends at end of input:
// no crash, no hang.
TEST(Main_page, SurvivesRandomBytes) {
  Temp_dir dir;
  std::mt19937 random(20261208);
  const std::string alphabet = std::string("0123456789\n\n\n\r\t \0\x1b\xff\xe4.cpp", 23);
  for (int round = 0; round < 6; ++round) {
    std::string input;
    for (int i = 0; i < 120; ++i) input += alphabet[random() % alphabet.size()];
    const Session s = Run_vorlix(dir.path(), input);
    EXPECT_FALSE(s.timed_out);
    EXPECT_TRUE(s.status == 0 || s.status == 1) << "status " << s.status;
  }
}

}  // namespace
