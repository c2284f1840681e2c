#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "text/command_line.h"
#include "platform/platform.h"
#include "run/pch_cache.h"
#include "settings/settings.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// An environment variable set (or, with nullptr, unset) for one scope.
class Env {
 public:
  Env(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~Env() {
    if (had_)
      setenv(name_.c_str(), old_.c_str(), 1);
    else
      unsetenv(name_.c_str());
  }

 private:
  std::string name_, old_;
  bool had_ = false;
};

const std::string GCH = "bits/stdc++.h.gch";
const std::string BITS_PROGRAM =
    "#include <bits/stdc++.h>\nint main() { std::vector<int> v(3); return v[1]; }\n";

std::string Key_of(const std::string& com, const std::string& settings) {
  return Pch_key(com, fs::file_size(com),
                 static_cast<long long>(fs::last_write_time(com).time_since_epoch().count()),
                 settings);
}

// An entry as a finished build leaves it: `gch` as the header, its size recorded.
std::string Plant(const std::string& root, const std::string& key, const std::string& gch) {
  const std::string dir = root + "/" + key;
  fs::create_directories(dir + "/bits");
  Write_file(dir + "/" + GCH, gch);
  Write_file(dir + "/size", std::to_string(gch.size()));
  for (const auto& d : {dir, dir + "/bits"}) chmod(d.c_str(), 0700);
  for (const auto& f : {dir + "/" + GCH, dir + "/size"}) chmod(f.c_str(), 0600);
  return dir;
}

TEST(Pch_scan, OnlyCommentsBlanksAndDirectivesMayComeBeforeTheInclude) {
  const struct {
    std::string head;
    bool yes;
  } cases[] = {
      {"#include <bits/stdc++.h>\n", true},
      {"#include<bits/stdc++.h>", true},
      {"  #  include \t <bits/stdc++.h>  // all of it\n", true},
      {"\xEF\xBB\xBF#include <bits/stdc++.h>\n", true},
      {"// a.cpp\n/* by me\n * 2024 */\n\n#include <bits/stdc++.h>\nusing namespace std;\n", true},
      {"#pragma GCC optimize(\"O2\")\n#define _GLIBCXX_DEBUG\n#include <bits/stdc++.h>\n", true},
      {"#define LONG \\\n  int x;\n#include <bits/stdc++.h>\n", true},
      {"// hides the next line \\\n#include <iostream>\n#include <bits/stdc++.h>\n", true},
      {"/* a */ #include <bits/stdc++.h>\n", true},
      {"#\n#include <bits/stdc++.h>", true},
      {"#include <iostream>\n#include <bits/stdc++.h>\n", false},
      {"#include \"bits/stdc++.h\"\n", false},
      {"#include <bits/stdc++.hpp>\n", false},
      {"#include_next <bits/stdc++.h>\n", false},
      {"int x;\n#include <bits/stdc++.h>\n", false},
      {"using namespace std;\n#include <bits/stdc++.h>\n", false},
      {"/* never closed\n#include <bits/stdc++.h>\n", false},
      {"#ifdef LOCAL\n#include \"debug.h\"\n#endif\n#include <bits/stdc++.h>\n", false},
      {"#if 0\nint x;\n#endif\n#include <bits/stdc++.h>\n", false},
      {"", false},
      {"\n\n// nothing else\n", false},
      {"#include", false},
  };
  for (const auto& c : cases) EXPECT_EQ(Starts_with_stdcpp_include(c.head), c.yes) << c.head;
}

TEST(Pch_key, EachPartOfTheCompilerAndEveryOptionMakesANewKey) {
  const std::string base = Pch_key("/usr/bin/g++", 1000, 5, "-O2");
  EXPECT_EQ(base.size(), 16u);
  EXPECT_EQ(base.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(Pch_key("/usr/bin/g++", 1000, 5, "-O2"), base);
  const std::string others[] = {
      Pch_key("/usr/bin/g++", 1000, 5, "-O2 "),    Pch_key("/usr/bin/g++", 1000, 5, "-O3"),
      Pch_key("/usr/bin/g++", 1000, 5, ""),        Pch_key("/usr/bin/g++-12", 1000, 5, "-O2"),
      Pch_key("/usr/bin/g++", 1001, 5, "-O2"),     Pch_key("/usr/bin/g++", 1000, 6, "-O2"),
      Pch_key("/usr/bin/g++ -O2", 1000, 5, ""),    Pch_key("/usr/bin/g++", 1000, 5, "-O2 -g"),
  };
  for (std::size_t i = 0; i < std::size(others); ++i) {
    EXPECT_NE(others[i], base) << i;
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(others[i], others[j]) << i << " " << j;
  }
}

TEST(Pch_root, IsMadeForTheUserAloneAndRefusedWhereOthersMayWrite) {
  const struct {
    mode_t cache_mode, root_mode;  // 0: left for Pch_root to make
    bool usable;
  } cases[] = {{0, 0, true}, {0777, 0, false}, {0750, 0770, false}, {0755, 0700, true}};
  for (const auto& c : cases) {
    Temp_dir dir;
    const std::string cache = dir / "vorlix", root = cache + "/pch";
    for (const auto& [path, mode] : {std::pair{cache, c.cache_mode}, std::pair{root, c.root_mode}})
      if (mode != 0) mkdir(path.c_str(), 0700), chmod(path.c_str(), mode);
    EXPECT_EQ(Pch_root(cache), c.usable ? root : "") << std::oct << c.cache_mode << " " << c.root_mode;
    if (c.usable) {
      EXPECT_EQ(fs::status(root).permissions(), fs::perms::owner_all);
    }
  }
  Temp_dir dir;
  fs::create_directory(dir / "elsewhere");
  fs::create_directory_symlink(dir / "elsewhere", dir / "vorlix");
  EXPECT_EQ(Pch_root(dir / "vorlix"), "");
}

TEST(Pch_entry, IsUsedOnlyWhenWholeAndTheUsersOwn) {
  const struct {
    std::string name;
    void (*harm)(const std::string& dir);
    bool used, kept;
  } cases[] = {
      {"whole", [](const std::string&) {}, true, true},
      {"size differs", [](const std::string& d) { Write_file(d + "/size", "5"); }, false, false},
      {"cut short", [](const std::string& d) { fs::resize_file(d + "/" + GCH, 3); }, false, false},
      {"no size", [](const std::string& d) { fs::remove(d + "/size"); }, false, false},
      {"no header", [](const std::string& d) { fs::remove(d + "/" + GCH); }, false, false},
      {"gone", [](const std::string& d) { fs::remove_all(d); }, false, false},
      {"others write the header",
       [](const std::string& d) { chmod((d + "/" + GCH).c_str(), 0666); }, false, true},
      {"group writes the size",
       [](const std::string& d) { chmod((d + "/size").c_str(), 0620); }, false, true},
      {"others write the entry", [](const std::string& d) { chmod(d.c_str(), 0777); }, false, true},
      {"others write bits", [](const std::string& d) { chmod((d + "/bits").c_str(), 0703); },
       false, true},
      {"header is a link",
       [](const std::string& d) {
         fs::rename(d + "/" + GCH, d + "/real");
         fs::create_symlink(d + "/real", d + "/" + GCH);
       },
       false, true},
      {"someone else's header",
       [](const std::string& d) {
         // Only the superuser can give a file away; elsewhere a group-writable
         // header stands in for it.
         if (chown((d + "/" + GCH).c_str(), 65534, 65534) != 0) chmod((d + "/" + GCH).c_str(), 0660);
       },
       false, true},
  };
  for (const auto& c : cases) {
    Temp_dir dir;
    const std::string entry = Plant(dir.path(), "0123456789abcdef", std::string(100, 'h'));
    c.harm(entry);
    EXPECT_EQ(Usable_entry(dir.path(), "0123456789abcdef"), c.used ? entry : "") << c.name;
    EXPECT_EQ(fs::exists(entry), c.kept) << c.name;
  }
}

TEST(Pch_tidy, KeepsTheThreeMostRecentlyUsedAndRemovesLeftBuilds) {
  const auto now = fs::file_time_type::clock::now();
  const struct {
    std::vector<int> ages;  // minutes since each of the keys 0..n was last used
    std::vector<bool> kept;
  } cases[] = {
      {{40, 30, 20, 10}, {false, true, true, true}},
      {{10, 40, 30, 20}, {true, false, true, true}},
      {{1, 2, 3}, {true, true, true}},
      {{5, 1, 50, 2, 60}, {true, true, false, true, false}},
  };
  for (const auto& c : cases) {
    Temp_dir dir;
    for (std::size_t i = 0; i < c.ages.size(); ++i) {
      const std::string entry = Plant(dir.path(), std::string(15, 'a') + char('0' + i), "h");
      fs::last_write_time(entry, now - std::chrono::minutes(c.ages[i]));
    }
    Tidy_cache(dir.path(), std::chrono::hours(1), 3);
    for (std::size_t i = 0; i < c.ages.size(); ++i)
      EXPECT_EQ(fs::exists(dir / (std::string(15, 'a') + char('0' + i))), c.kept[i]) << i;
  }

  const struct {
    std::string name;
    int age_minutes;
    bool kept, under_way;
  } builds[] = {
      {"0123456789abcdef.0011223344556677.tmp", 1, true, true},
      {"0123456789abcdef.0011223344556677.tmp", 61, false, false},
      {"fedcba9876543210.0011223344556677.tmp", 1, true, false},
      {"0123456789abcdef.0011223344556677.old", 61, true, false},
      {"notes", 600, true, false},
  };
  for (const auto& b : builds) {
    Temp_dir dir;
    fs::create_directories(dir / b.name + "/bits");
    fs::last_write_time(dir / b.name, now - std::chrono::minutes(b.age_minutes));
    EXPECT_EQ(Build_under_way(dir.path(), "0123456789abcdef", std::chrono::hours(1)), b.under_way)
        << b.name;
    Tidy_cache(dir.path(), std::chrono::hours(1), 3);
    EXPECT_EQ(fs::exists(dir / b.name), b.kept) << b.name;
  }
}

// The compile through the cache, with a compiler that records its words and
// environment; precompiling and checking fail at once, as with a compiler
// that makes no precompiled headers.
class Pch_compile : public ::testing::Test {
 protected:
  void SetUp() override {
    Write_script(com, "case \" $* \" in *\" c++-header \"*|*\" -fsyntax-only \"*) exit 1;; esac\n"
                      "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + dir / "words" + "'\n"
                      "printf '%s\\n' \"${CPATH-unset}\" > '" + dir / "cpath" + "'\n"
                      "env | grep -v '^_=' | sort > '" + dir / "env" + "'\n");
    Write_file(source, BITS_PROGRAM);
    COM_PATH = com;
    COM_SETTINGS = "-O2 -DX='a b'";
  }
  void TearDown() override { COM_PATH = COM_SETTINGS = ""; }

  Temp_dir dir;
  const std::string com = dir / "fake g++", source = dir / "a b.cpp", exe = dir / "a b.exe";
  const std::string root = dir / "cache/vorlix/pch";
  Env cache_home{"XDG_CACHE_HOME", (dir / "cache").c_str()};
};

TEST_F(Pch_compile, WordsNeverChangeAndOnlyAUsableEntryReachesCpath) {
  const std::string words = "-O2\n-DX=a b\n-g\n-o\n" + exe + "\n" + source + "\n";
  const std::string entry = root + "/" + Key_of(com, COM_SETTINGS);
  const struct {
    std::string name;
    const char* pch;
    const char* user_cpath;
    bool planted, bits;
    mode_t header_mode;
    std::string cpath;
  } cases[] = {
      {"warm", nullptr, "/u:/v", true, true, 0600, entry + ":/u:/v"},
      {"warm, no user CPATH", "1", nullptr, true, true, 0600, entry},
      {"warm, empty user CPATH", nullptr, "", true, true, 0600, entry},
      {"others may write the entry", nullptr, "/u", true, true, 0646, "/u"},
      {"no bits include", nullptr, "/u", true, false, 0600, "/u"},
      // Last: the build it starts in the background may still be at work.
      {"cold", nullptr, "/u", false, true, 0600, "/u"},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir / "cache");
    if (c.planted) {
      fs::create_directories(root);
      Plant(root, Key_of(com, COM_SETTINGS), "gch");
      chmod((entry + "/" + GCH).c_str(), c.header_mode);
    }
    Write_file(source, c.bits ? BITS_PROGRAM : "int main() {}\n");
    const Env pch("VORLIX_PCH", c.pch), cpath("CPATH", c.user_cpath);
    EXPECT_EQ(Compile_with_cache(source, exe).status, 0) << c.name;
    EXPECT_EQ(Read_file(dir / "words"), words) << c.name;
    EXPECT_EQ(Read_file(dir / "cpath"), c.cpath + "\n") << c.name;
    // Vorlix's own environment is as it was.
    EXPECT_EQ(std::getenv("CPATH") ? std::string(std::getenv("CPATH")) : "unset",
              c.user_cpath ? c.user_cpath : "unset")
        << c.name;
  }
}

TEST_F(Pch_compile, TurnedOffTheCompilerSeesThePlainEnvironmentAndNoCacheIsMade) {
  const Env pch("VORLIX_PCH", nullptr);
  ASSERT_EQ(Compile(COM_PATH, COM_SETTINGS, exe, source).status, 0);
  const std::string plain = Read_file(dir / "env");
  ASSERT_NE(plain, "");
  const Env off("VORLIX_PCH", "0");
  EXPECT_EQ(Compile_with_cache(source, exe).status, 0);
  // The same but for VORLIX_PCH itself.
  std::string seen = Read_file(dir / "env");
  const auto line = seen.find("VORLIX_PCH=0\n");
  ASSERT_NE(line, std::string::npos);
  seen.erase(line, 13);
  EXPECT_EQ(seen, plain);
  EXPECT_FALSE(fs::exists(dir / "cache"));
}

}  // namespace

namespace {

// Real g++: one entry made for the whole suite (a precompile takes seconds and
// some 100 MB), in a cache of the suite's own. -H in the options makes g++
// name each header it reads, a used precompiled one with "! " before it.
class Pch_gxx : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Is_regular_file(GXX)) return;
    home = new Temp_dir;
    root = Pch_root(*home / "vorlix");
    built = !root.empty() && Build_entry(root, Key_of(GXX, "-H"), GXX, "-H");
  }
  static void TearDownTestSuite() { delete home; }
  void SetUp() override {
    if (!Is_regular_file(GXX)) GTEST_SKIP() << "no " << GXX;
    ASSERT_TRUE(built);
    COM_PATH = GXX;
    COM_SETTINGS = "-H";
  }
  void TearDown() override { COM_PATH = COM_SETTINGS = ""; }

  // Compiles `program` through the cache; returns the status and what the
  // compiler wrote to standard error.
  std::pair<int, std::string> Compile_program(const std::string& program) {
    Write_file(dir / "a.cpp", program);
    const Env cache("XDG_CACHE_HOME", home->path().c_str()), pch("VORLIX_PCH", nullptr);
    ::testing::internal::CaptureStderr();
    const int status = static_cast<int>(Compile_with_cache(dir / "a.cpp", dir / "a.exe").status);
    return {status, ::testing::internal::GetCapturedStderr()};
  }
  int Run_exe() { return WEXITSTATUS(std::system(("'" + dir / "a.exe" + "' 2>/dev/null").c_str())); }
  static std::string Used(const std::string& settings) {
    return "! " + root + "/" + Key_of(GXX, settings) + "/" + GCH + "\n";
  }

  static inline const std::string GXX = "/usr/bin/g++";
  static inline Temp_dir* home = nullptr;
  static inline std::string root;
  static inline bool built = false;
  Temp_dir dir;
};

// One test, so that the entry is made once.
TEST_F(Pch_gxx, AWarmEntryIsUsedOnlyWhereValidAndOneCutShortNeverFailsACompile) {
  const struct {
    std::string name, program;
    bool used;
    int status;
  } cases[] = {
      {"plain", BITS_PROGRAM, true, 0},
      {"checked library",
       "#define _GLIBCXX_DEBUG\n#include <bits/stdc++.h>\n"
       "int main() { std::vector<int> v(3); return v[5]; }\n",
       false, 134},
      {"after a comment", "// mine\n" + BITS_PROGRAM, true, 0},
  };
  for (const auto& c : cases) {
    const auto [status, err] = Compile_program(c.program);
    EXPECT_EQ(status, 0) << c.name << err;
    EXPECT_EQ(err.find(Used("-H")) != std::string::npos, c.used) << c.name << err;
    EXPECT_EQ(Run_exe(), c.status) << c.name;
  }

  // A header cut short never fails a compile. Another key for the same
  // compile, the options differing by a space, so the entry above stays.
  COM_SETTINGS = "-H ";
  const std::string whole = Read_file(root + "/" + Key_of(GXX, "-H") + "/" + GCH);
  ASSERT_GT(whole.size(), 1000000u);
  const struct {
    std::string name, size;
  } cut[] = {{"recorded whole", std::to_string(whole.size())}, {"not recorded", ""}};
  for (const auto& c : cut) {
    const std::string entry = Plant(root, Key_of(GXX, "-H "), whole.substr(0, 1000000));
    Write_file(entry + "/size", c.size);
    // A build said to be under way keeps a real precompile from starting.
    fs::create_directory(root + "/" + Key_of(GXX, "-H ") + ".0123456789abcdef.tmp");
    const auto [status, err] = Compile_program(BITS_PROGRAM);
    EXPECT_EQ(status, 0) << c.name << err;
    EXPECT_EQ(err.find("! "), std::string::npos) << c.name << err;
    EXPECT_EQ(Run_exe(), 0) << c.name;
    EXPECT_FALSE(fs::exists(entry)) << c.name;
  }
}

}  // namespace
