#include <gtest/gtest.h>

#include "harness.h"
#include "temp_dir.h"

namespace {

TEST(Main_page, ChoiceThreeSavesAndSaysFarewell) {
  Temp_dir dir;
  const Session s = Run_vorlix(dir.path(), "3\n");
  EXPECT_EQ(s.out, Main_page() + FAREWELL);
  EXPECT_EQ(s.status, 0);
  EXPECT_GE(s.seconds, 2.5);
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), "\n\n");
}

}  // namespace
