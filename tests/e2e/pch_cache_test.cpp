#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "harness.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string COMPILE = "\n未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n"
                            "编译成功！\n\n是否需要运行？（0/1）\n跳过运行。\n\n" + PAUSE;

// A compiler that writes its precompiled header two seconds after Vorlix has
// gone, accepts it in the check, logs the CPATH of each real compile, and
// notes which signals it was started with ignored.
void Fake_compiler(const std::string& path, const std::string& log) {
  Write_script(path,
               "awk '/^SigIgn/ { print $2 }' /proc/$$/status > '" +
                   fs::path(log).parent_path().string() + "/ignored'\n"
               "while [ $# -gt 1 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
               "case $out in\n"
               "  *.gch) sleep 2; printf 'pch' > \"$out\" ;;\n"
               "  '') ;;\n"
               "  *) printf '%s\\n' \"${CPATH-unset}\" >> '" + log + "'; : > \"$out\" ;;\n"
               "esac\n");
}

// The cache end to end: the dialogue and the compiler's words never show it;
// the entry is made after Vorlix has ended, and the next compile finds it.
TEST(Pch_cache, MadeBehindTheDialogueAndFoundByTheNextCompile) {
  Temp_dir dir;
  Fake_compiler(dir / "g++", dir / "cpath.log");
  Write_file(dir / "vorlix_data.sg", dir / "g++" + "\n\n-O2");
  Write_file(dir / "a.cpp", "#include <bits/stdc++.h>\nint main() {}\n");
  const struct {
    std::string name, pch;
    bool entry_after;
  } runs[] = {{"off", "0", false}, {"cold", "1", true}, {"warm", "1", true}};
  std::string entry;
  for (const auto& r : runs) {
    fs::remove(dir / "a.exe");
    Session_options options;
    options.env = {"VORLIX_PCH=" + r.pch, "XDG_CACHE_HOME=" + dir / "cache", "CPATH=/u"};
    const Session s = Run_vorlix(dir.path(), "1\na.cpp\n0\n", options);
    EXPECT_EQ(s.out, Main_page() + ASK_PATH + COMPILE + Main_page()) << r.name;
    EXPECT_EQ(s.err, "") << r.name;
    // The build outlives Vorlix; a precompile takes a second here.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (r.entry_after && entry.empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::error_code ec;
      for (fs::directory_iterator it(dir / "cache/vorlix/pch", ec), end; !ec && it != end; ++it)
        if (it->path().filename().string().size() == 16) entry = it->path().string();
    }
    EXPECT_EQ(!entry.empty(), r.entry_after) << r.name;
  }
  EXPECT_EQ(Read_file(entry + "/bits/stdc++.h.gch"), "pch");
  EXPECT_EQ(Read_file(entry + "/record").substr(0, 2), "3 ");
  EXPECT_EQ(Read_file(dir / "cpath.log"), "/u\n/u\n" + entry + ":/u\n");
  // Only the entry is left: no temporary, no stray file.
  const fs::recursive_directory_iterator all(dir / "cache/vorlix/pch");
  EXPECT_EQ(std::distance(begin(all), end(all)), 4);  // the entry, bits/, the header, its record
}

// The hidden form Vorlix starts itself in for a build (on Windows) builds the
// entry before it exits, silently, but only in this user's own cache, with the
// cache on and a key for a name: four entries planted elsewhere, where a tidy
// would remove the oldest, all stay. With no cache folder at all, a relative
// root is not taken for one. The compiler starts with default signals,
// whatever signals Vorlix was started with.
TEST(Pch_cache, TheHiddenBuildFormBuildsOnlyInTheUsersOwnCache) {
  const struct {
    std::string name, root, key, pch, cache_home;
    bool built;
  } cases[] = {
      {"own", "cache/vorlix/pch", "0123456789abcdef", "1", "cache", true},
      {"elsewhere", "other", "0123456789abcdef", "1", "cache", false},
      {"off", "cache/vorlix/pch", "0123456789abcdef", "0", "cache", false},
      {"not a key", "cache/vorlix/pch", "../escaped", "1", "cache", false},
      {"no cache folder, relative root", "pch", "0123456789abcdef", "1", "", false},
  };
  for (const auto& c : cases) {
    Temp_dir dir;
    Fake_compiler(dir / "g++", dir / "cpath.log");
    const std::vector<std::string> planted = {"1000000000000000", "2000000000000000",
                                              "3000000000000000", "4000000000000000"};
    for (const auto& key : planted) {
      fs::create_directories(dir / ("other/" + key));
      fs::create_directories(dir / ("pch/" + key));
    }
    fs::create_directories(dir / c.root);  // as the compile before the build leaves it
    Session_options options;
    options.env = {"VORLIX_PCH=" + c.pch, "HOME",
                   c.cache_home.empty() ? "XDG_CACHE_HOME" : "XDG_CACHE_HOME=" + dir / c.cache_home};
    options.prelude = "trap '' INT QUIT TERM";
    const std::string root = c.cache_home.empty() ? c.root : dir / c.root;
    const Session s = Run_program(
        {Vorlix_binary(), "--pch-build", root, c.key, dir / "g++", "-O2", ""}, dir.path(), "",
        options);
    EXPECT_EQ(s.out + s.err, "") << c.name;
    EXPECT_EQ(s.status, c.built ? 0 : 1) << c.name;
    EXPECT_EQ(Read_file(dir / (c.root + "/" + c.key + "/bits/stdc++.h.gch")), c.built ? "pch" : "")
        << c.name;
    EXPECT_FALSE(fs::exists(dir / "escaped")) << c.name;
    for (const auto& key : planted) {
      EXPECT_TRUE(fs::exists(dir / ("other/" + key))) << c.name;
      EXPECT_TRUE(fs::exists(dir / ("pch/" + key))) << c.name;
    }
    // Of the standard signals, none; glibc's own (32 and 33) are its business.
    const std::string ignored = Read_file(dir / "ignored");
    EXPECT_EQ(ignored.empty() ? -1 : static_cast<long long>(std::stoull(ignored, nullptr, 16) & 0x7fffffff),
              c.built ? 0 : -1)
        << c.name << ignored;
  }
}

// The build holds nothing of what Vorlix was given: a pipe on a descriptor
// above 2 that Vorlix's caller reads to its end closes when Vorlix exits,
// while the build (a second here) goes on, in no folder of the user's.
TEST(Pch_cache, TheBuildHoldsNoDescriptorOrFolderOfVorlixs) {
  Temp_dir dir;
  Fake_compiler(dir / "g++", dir / "cpath.log");
  Write_file(dir / "vorlix_data.sg", dir / "g++" + "\n\n-O2");
  Write_file(dir / "a.cpp", "#include <bits/stdc++.h>\nint main() {}\n");
  Session_options options;
  options.env = {"VORLIX_PCH=1", "XDG_CACHE_HOME=" + dir / "cache"};
  // cat ends when the last holder of the pipe's end has closed it.
  const Session s = Run_program(
      {"/bin/sh", "-c",
       "\"$0\" a.cpp 3>&1 >/dev/null 2>&1 | cat; "
       // Vorlix may be gone before its build has made its folder.
       "for i in $(seq 50); do ls cache/vorlix/pch 2>/dev/null | grep -q tmp && break; sleep 0.1; done; "
       "ls cache/vorlix/pch",
       Vorlix_binary()},
      dir.path(), "", options);
  EXPECT_EQ(s.status, 0);
  EXPECT_TRUE(std::regex_match(s.out, std::regex("[0-9a-f]{16}\\.[0-9a-f]{16}\\.tmp\n"))) << s.out;
}

}  // namespace
