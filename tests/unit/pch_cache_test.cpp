#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "run/pch_cache.h"
#include "text/compiler_words.h"
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

// The seam: the jobs a compile asked for, and a start that runs the job at
// once, in this process, as the started Vorlix would.
std::vector<std::vector<std::string>> STARTED;
Outcome Record_start(const std::vector<std::string>& arguments) {
  STARTED.push_back(arguments);
  return {};
}
Outcome Build_now(const std::vector<std::string>& arguments) {
  STARTED.push_back(arguments);
  std::vector<std::string> job = {"vorlix"};
  job.insert(job.end(), arguments.begin(), arguments.end());
  Run_cache_job(job);
  return {};
}

// The 16-hex-digit names under `root`: the entries.
std::vector<std::string> Entries(const std::string& root) {
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename().string().size() == 16) found.push_back(it->path().string());
  return found;
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

TEST(Pch_job, OnlyTheHiddenOptionFirstAndExactlyFiveWords) {
  const std::string hidden = "--pch-build";
  const struct {
    std::vector<std::string> arguments;
    bool job;
  } cases[] = {
      {{"vorlix", hidden, "C:\\本地 数据\\pch", "0123456789abcdef", "g++", "-O2 \"-DN=a b\"", ""}, true},
      {{"vorlix", hidden, "", "", "", "", ""}, true},
      {{"vorlix", hidden, "a", "b", "c", "d"}, false},
      {{"vorlix", hidden, "a", "b", "c", "d", "e", "f"}, false},
      {{"vorlix", hidden}, false},
      {{"vorlix", "a", hidden, "b", "c", "d", "e"}, false},
      {{"vorlix", hidden + "=a", "a", "b", "c", "d", "e"}, false},
      {{"vorlix", "--PCH-BUILD", "a", "b", "c", "d", "e"}, false},
      {{"vorlix", "a.cpp"}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(Is_cache_job(c.arguments), c.job) << c.arguments.size();
}

// Nothing on the way to the cache may be changed by another user: each folder
// above is the user's or root's, and written by nobody else (root's sticky
// folders aside); links are followed and their targets held to the same.
TEST(Only_user_can_change, EveryFolderAboveAndEveryLinkTargetIsChecked) {
  const struct {
    std::string name;
    mode_t above;  // the folder above the one checked
    uid_t owner;   // of the folder above
    bool linked;   // the checked path goes through a link to the folder above
    bool yes;
  } cases[] = {
      {"closed", 0755, 0, false, true},
      {"group may write above", 0775, 0, false, false},
      {"others may write above", 0757, 0, false, false},
      {"root's sticky folder above", 01777, 0, false, true},
      {"another user's folder above", 0755, 65534, false, false},
      {"another user's sticky folder above", 01777, 65534, false, false},
      {"through a link to a closed folder", 0755, 0, true, true},
      {"through a link to a folder others write", 0777, 0, true, false},
  };
  for (const auto& c : cases) {
    Temp_dir dir;
    const std::string above = dir / "above", cache = above + "/cache";
    fs::create_directories(cache);
    chmod(cache.c_str(), 0700);
    chmod(above.c_str(), c.above);
    if (c.owner != getuid() && chown(above.c_str(), c.owner, c.owner) != 0) continue;
    std::string path = cache;
    if (c.linked) {
      fs::create_directory_symlink("above", dir / "link");
      path = dir / "link/cache";
    }
    EXPECT_EQ(Only_user_can_change(path), c.yes) << c.name;
  }
  EXPECT_FALSE(Only_user_can_change("relative/path"));
  EXPECT_FALSE(Only_user_can_change("/no/such/folder"));
}

// The compile through the cache with a compiler that records its words and
// CPATH. Its precompile writes "pch" (an empty header where `empty-gch`
// exists), a -MD list naming dep.h and lib's bits/stdc++.h, and a -v output
// naming cc1plus, the header folders inc and lib and the missing folder later; its check passes only with
// the header on CPATH; its compile says `say` (or, through the cache,
// `say-cached`) and exits with `status` (`status-cached`).
class Pch_compile : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string d = dir.path();
    Write_script(com,
                 "prev=; out=; mf=; last=; kind=compile\n"
                 "for a; do\n"
                 "  case $prev in -o) out=$a;; -MF) mf=$a;; esac\n"
                 "  case $a in c++-header) kind=header;; -fsyntax-only) kind=check;; esac\n"
                 "  prev=$a; last=$a\n"
                 "done\n"
                 "d='" + d + "'\n"
                 "case $kind in\n"
                 "header) if [ -f $d/empty-gch ]; then : > \"$out\"; else printf pch > \"$out\"; fi\n"
                 "  printf 'entry: %s \\\\\\n %s \\\\\\n %s\\n' \"$last\" $d/dep.h $d/lib/bits/stdc++.h > \"$mf\"\n"
                 "  printf ' %s -quiet\\n#include <...> search starts here:\\n %s\\n %s\\n"
                 "End of search list.\\nignoring nonexistent directory \"%s\"\\n' "
                 "$d/cc1plus $d/inc $d/lib $d/later >&2\n"
                 "  exit 0;;\n"
                 "check) [ -f $d/cc1plus ] && [ -f \"${CPATH%%:*}/bits/stdc++.h.gch\" ]; exit $?;;\n"
                 "esac\n"
                 "printf '%s\\n' \"${CPATH-unset}\" >> $d/cpath.log\n"
                 "for a; do printf '%s\\n' \"$a\"; done > $d/words\n"
                 ": > \"$out\"\n"
                 "case ${CPATH-} in *pch/*)\n"
                 "  [ -f $d/say-cached ] && cat $d/say-cached >&2\n"
                 "  exit $(cat $d/status-cached 2>/dev/null || echo 0);;\n"
                 "esac\n"
                 "[ -f $d/say ] && cat $d/say >&2\n"
                 "exit $(cat $d/status 2>/dev/null || echo 0)\n");
    Write_file(source, BITS_PROGRAM);
    Write_file(dir / "dep.h", "dep");
    fs::create_directories(dir / "lib/bits");
    Write_file(dir / "lib/bits/stdc++.h", "library");
    Write_file(dir / "cc1plus", "cc1plus");
    fs::create_directory(dir / "inc");
    STARTED.clear();
  }

  // Compiles through the cache; returns the status, and the CPATH of each
  // compile the compiler saw since the last call.
  std::pair<int, std::string> Compile_once(Cache_job_start start = Record_start) {
    fs::remove(dir / "cpath.log");
    const int status = static_cast<int>(Compile_with_cache(com, settings, source, exe, start).status);
    return {status, Read_file(dir / "cpath.log")};
  }
  // A cold compile that builds the entry at once; returns the entry.
  std::string Warm_up() {
    Compile_once(Build_now);
    const auto entries = Entries(root);
    return entries.size() == 1 ? entries[0] : "";
  }

  Temp_dir dir;
  const std::string com = dir / "fake g++", source = dir / "a b.cpp", exe = dir / "a b.exe";
  const std::string root = dir / "cache/vorlix/pch";
  std::string settings = "-O2 -DX='a b'";
  Env cache_home{"XDG_CACHE_HOME", (dir / "cache").c_str()};
  Env pch{"VORLIX_PCH", nullptr};
  Env cpath{"CPATH", "/u"};
};

TEST_F(Pch_compile, WordsNeverChangeAndOnlyAUsableEntryReachesCpath) {
  const std::string words = "-O2\n-DX=a b\n-g\n-o\n" + exe + "\n" + source + "\n";
  const struct {
    std::string name;
    const char* pch;
    bool bits;
    mode_t entry_mode, above_mode;  // of the entry, of a folder above the cache
    bool used;
  } cases[] = {
      {"warm", nullptr, true, 0700, 0700, true},
      {"turned off", "0", true, 0700, 0700, false},
      {"no bits include", nullptr, false, 0700, 0700, false},
      {"others may write the entry", nullptr, true, 0707, 0700, false},
      {"the group may write a folder above", nullptr, true, 0700, 0770, false},
      {"root's sticky folder above", nullptr, true, 0700, 01777, true},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir / "cache");
    Write_file(source, BITS_PROGRAM);
    const std::string entry = Warm_up();
    ASSERT_NE(entry, "") << c.name;
    chmod(entry.c_str(), c.entry_mode);
    chmod((dir / "cache").c_str(), c.above_mode);
    Write_file(source, c.bits ? BITS_PROGRAM : "int main() {}\n");
    const Env pch_now("VORLIX_PCH", c.pch);
    STARTED.clear();
    const auto [status, cpaths] = Compile_once();
    EXPECT_EQ(status, 0) << c.name;
    EXPECT_EQ(Read_file(dir / "words"), words) << c.name;
    // A sticky folder others may write counts only as root's.
    const bool used = c.used && (c.above_mode != 01777 || getuid() == 0);
    EXPECT_EQ(cpaths, used ? entry + ":/u\n" : "/u\n") << c.name;
    EXPECT_EQ(std::string(std::getenv("CPATH")), "/u") << c.name;
    // An entry there but not usable is not built again over.
    EXPECT_EQ(STARTED.size(), 0u) << c.name;
  }
}

// What the user reads is what a compile without the cache shows: a compile
// through the cache that writes anything or fails runs once more without it,
// and that one counts. An entry that fails where the plain compile succeeds
// is removed.
TEST_F(Pch_compile, AnyMessageOrFailureRunsThePlainCompileWhichCounts) {
  const struct {
    std::string name, say_cached, status_cached, say, status;
    int result;
    bool again, kept;
  } cases[] = {
      {"clean", "", "0", "", "0", 0, false, true},
      {"a warning", "w\n", "0", "w\n", "0", 0, true, true},
      {"an error", "e\n", "1", "e\n", "1", 1, true, true},
      {"fails only with the entry", "", "1", "", "0", 0, true, false},
      {"fails only with the entry, saying so", "ice\n", "4", "", "0", 0, true, false},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir / "cache");
    const std::string entry = Warm_up();
    ASSERT_NE(entry, "") << c.name;
    Write_file(dir / "say-cached", c.say_cached);
    Write_file(dir / "status-cached", c.status_cached);
    Write_file(dir / "say", c.say);
    Write_file(dir / "status", c.status);
    ::testing::internal::CaptureStderr();
    const auto [status, cpaths] = Compile_once();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, c.result) << c.name;
    EXPECT_EQ(cpaths, entry + ":/u\n" + (c.again ? "/u\n" : "")) << c.name;
    EXPECT_EQ(err, c.say) << c.name;
    EXPECT_EQ(fs::exists(entry), c.kept) << c.name;
  }
}

// An entry is used only while everything it was made from is as it was; the
// key changes with what moves the header search.
TEST_F(Pch_compile, AStaleEntryIsRemovedAndBuiltAgain) {
  const struct {
    std::string name;
    void (*change)(const Temp_dir& dir, const std::string& entry);
  } cases[] = {
      {"as it was", nullptr},
      {"a header it was made from", [](const Temp_dir& d, const std::string&) {
         Write_file(d / "dep.h", "new");
         fs::last_write_time(d / "dep.h", fs::file_time_type::clock::now() + std::chrono::seconds(5));
       }},
      {"the compiler proper", [](const Temp_dir& d, const std::string&) {
         Write_file(d / "cc1plus", "cc1plus 2");
       }},
      {"a header put in a folder searched", [](const Temp_dir& d, const std::string&) {
         fs::create_directory(d / "inc/bits");
       }},
      {"a searched folder that was missing", [](const Temp_dir& d, const std::string&) {
         fs::create_directory(d / "later");
       }},
      {"the header itself", [](const Temp_dir&, const std::string& e) {
         Write_file(e + "/" + GCH, "PCH");
         chmod((e + "/" + GCH).c_str(), 0600);
       }},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir / "cache");
    fs::remove_all(dir / "inc/bits");
    fs::remove_all(dir / "later");
    const std::string entry = Warm_up();
    ASSERT_NE(entry, "") << c.name;
    if (c.change != nullptr) c.change(dir, entry);
    STARTED.clear();
    const auto [status, cpaths] = Compile_once();
    EXPECT_EQ(status, 0) << c.name;
    EXPECT_EQ(cpaths, c.change == nullptr ? entry + ":/u\n" : "/u\n") << c.name;
    EXPECT_EQ(fs::exists(entry), c.change == nullptr) << c.name;
    EXPECT_EQ(STARTED.size(), c.change == nullptr ? 0u : 1u) << c.name;
  }
}

TEST_F(Pch_compile, TheKeyCoversSearchVariablesAndTheFolderOfRelativeOptions) {
  const auto Key = [&] {
    STARTED.clear();
    Compile_once();
    return STARTED.size() == 1 ? STARTED[0][2] : "none";
  };
  const std::string base = Key();
  ASSERT_EQ(base.size(), 16u);
  EXPECT_EQ(Key(), base);
  std::vector<std::string> keys = {base};
  for (const char* name : {"CPLUS_INCLUDE_PATH", "C_INCLUDE_PATH", "GCC_EXEC_PREFIX", "COMPILER_PATH"}) {
    const Env set(name, "/x");
    keys.push_back(Key());
  }
  {
    const Env changed("CPATH", "/v");
    keys.push_back(Key());
  }
  const std::string here = fs::current_path();
  const auto In = [&](const std::string& options, const std::string& folder) {
    settings = options;
    fs::current_path(folder);
    const std::string key = Key();
    fs::current_path(here);
    settings = "-O2 -DX='a b'";
    return key;
  };
  fs::create_directories(dir / "one");
  fs::create_directories(dir / "two");
  // Relative: the folder counts; absolute: it does not.
  keys.push_back(In("-I.", dir / "one"));
  keys.push_back(In("-I.", dir / "two"));
  EXPECT_EQ(STARTED.at(0).at(5), dir / "two");
  EXPECT_EQ(In("-I/abs", dir / "one"), In("-I/abs", dir / "two"));
  for (std::size_t i = 0; i < keys.size(); ++i)
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(keys[i], keys[j]) << i << " " << j;
}

// A second compile while a build is under way starts none; a failed build
// holds its key back for an hour; both only while they are fresh.
TEST_F(Pch_compile, ABuildUnderWayOrAFailedOneStartsNoOther) {
  Compile_once();
  ASSERT_EQ(STARTED.size(), 1u);
  const std::string key = STARTED[0][2];
  const auto now = fs::file_time_type::clock::now();
  const struct {
    std::string name;
    int age_minutes;
    bool started;
  } cases[] = {
      {key + ".0011223344556677.tmp", 1, false},
      {key + ".0011223344556677.tmp", 11, true},
      {"fedcba9876543210.0011223344556677.tmp", 1, true},
      {key + ".failed", 59, false},
      {key + ".failed", 61, true},
  };
  for (const auto& c : cases) {
    fs::remove_all(root);
    fs::create_directories(root + "/" + c.name);
    fs::last_write_time(root + "/" + c.name, now - std::chrono::minutes(c.age_minutes));
    STARTED.clear();
    Compile_once();
    EXPECT_EQ(STARTED.size(), c.started ? 1u : 0u) << c.name << " " << c.age_minutes;
  }
}

// A build whose header is empty, or whose check does not find it on CPATH,
// makes no entry, and is remembered as failed.
TEST_F(Pch_compile, NoEntryFromAnEmptyHeaderOrAFailedCheck) {
  const struct {
    std::string name;
    bool empty_gch, check_passes;
  } cases[] = {{"whole", false, true}, {"empty", true, true}, {"check fails", false, false}};
  for (const auto& c : cases) {
    fs::remove_all(dir / "cache");
    fs::remove(dir / "empty-gch");
    if (c.empty_gch) Write_file(dir / "empty-gch", "");
    // The check passes only with the new header first on CPATH.
    if (!c.check_passes) fs::remove(dir / "cc1plus");
    Compile_once(Build_now);
    EXPECT_EQ(Entries(root).size(), c.check_passes && !c.empty_gch ? 1u : 0u) << c.name;
    EXPECT_EQ(fs::exists(root + "/" + STARTED.at(0)[2] + ".failed"), !c.check_passes || c.empty_gch)
        << c.name;
    STARTED.clear();
  }
}

// Real g++: what the user reads and runs is the same with the cache and
// without it.
class Pch_gxx : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Is_regular_file(GXX)) GTEST_SKIP() << "no " << GXX;
  }
  void TearDown() override { fs::current_path(here); }

  struct Result {
    int status;
    std::string err, out;
    bool operator==(const Result& o) const {
      return status == o.status && err == o.err && out == o.out;
    }
  };
  // Compiles `program` (VORLIX_PCH as `pch`) and runs what it made.
  Result Compile_and_run(const std::string& program, const char* pch) {
    Write_file(dir / "a.cpp", program);
    fs::remove(dir / "a.exe");
    const Env cache("XDG_CACHE_HOME", (dir / "cache").c_str()), on("VORLIX_PCH", pch);
    ::testing::internal::CaptureStderr();
    const int status = static_cast<int>(Compile_with_cache(GXX, settings, dir / "a.cpp", dir / "a.exe", Build_now).status);
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string out = status == 0 ? Output_of("'" + dir / "a.exe" + "' 2>&1") : "";
    return {status, err, out};
  }
  // The compile through the cache and the plain one.
  std::pair<Result, Result> Both(const std::string& program) {
    const Result cached = Compile_and_run(program, nullptr);
    return {cached, Compile_and_run(program, "0")};
  }
  bool Used(const std::string& entry, fs::file_time_type before) {
    return fs::exists(entry) && fs::last_write_time(entry) > before;
  }

  static inline const std::string GXX = "/usr/bin/g++";
  Temp_dir dir;
  std::string settings = "-Wall";
  const std::string here = fs::current_path();
  Env cpath{"CPATH", nullptr};
};

// One test, so that the entry of the whole library is made once.
TEST_F(Pch_gxx, MessagesAreThoseOfThePlainCompileAndADamagedEntryIsRemoved) {
  Compile_and_run(BITS_PROGRAM, nullptr);
  const auto entries = Entries(dir / "cache/vorlix/pch");
  ASSERT_EQ(entries.size(), 1u);
  const std::string entry = entries[0];
  const struct {
    std::string name, program;
    bool used;
  } cases[] = {
      {"clean", BITS_PROGRAM, true},
      {"an error inside a library header",
       "#include <bits/stdc++.h>\nusing namespace std;\nint size = 3;\n"
       "int main() { return size; }\n",
       false},
      {"a warning in the user's code", "#include <bits/stdc++.h>\nint main() { int unused; }\n",
       false},
  };
  for (const auto& c : cases) {
    const auto before = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(entry, before);
    const auto [cached, plain] = Both(c.program);
    EXPECT_TRUE(cached == plain) << c.name << "\n" << cached.err << "\n----\n" << plain.err;
    EXPECT_EQ(plain.err.empty(), c.used) << c.name;
    EXPECT_EQ(Used(entry, before), c.used) << c.name;
  }

  // Damaged in place, the same size and time: one compile without it, as
  // the user would see it, and it is gone.
  const std::string gch = entry + "/" + GCH;
  const auto time = fs::last_write_time(gch);
  std::string bytes = Read_file(gch);
  ASSERT_GT(bytes.size(), 1000000u);
  // 16 bytes in each twentieth: g++ fails on some places and reads past
  // others, which also depends on where the header could be mapped.
  for (std::size_t part = 1; part < 20; ++part)
    for (std::size_t i = 0; i < 16; ++i) bytes[bytes.size() * part / 20 + i] ^= 0x5a;
  Write_file(gch, bytes);
  fs::last_write_time(gch, time);
  const Result damaged = Compile_and_run(BITS_PROGRAM, nullptr);
  EXPECT_EQ(damaged.status, 0) << damaged.err;
  EXPECT_EQ(damaged.err, "");
  EXPECT_FALSE(fs::exists(gch));
}

// The entry is never that of another folder, an older header or another
// search path: small headers of the test's own stand in for the library's,
// the "library" one found through CPLUS_INCLUDE_PATH after all the others.
TEST_F(Pch_gxx, AStaleEntryNeverChangesTheProgram) {
  const std::string program =
      "#include <bits/stdc++.h>\n#ifndef WHERE\n#define WHERE \"library\"\n#endif\n"
      "#include <cstdio>\nint main() { std::puts(WHERE); }\n";
  const auto Header = [&](const std::string& folder, const std::string& where) {
    fs::create_directories(folder + "/bits");
    Write_file(folder + "/bits/stdc++.h", "#define WHERE \"" + where + "\"\n");
    // A new time even where the file system counts whole seconds.
    fs::last_write_time(folder + "/bits/stdc++.h",
                        fs::file_time_type::clock::now() + std::chrono::seconds(where.size()));
  };
  const struct {
    std::string name, options;
    void (*before)(const Temp_dir&);
    void (*after)(const Temp_dir&);
    std::string out_before, out_after;
  } cases[] = {
      {"-I. in another folder", "-I.",
       [](const Temp_dir& d) { fs::current_path(d / "A"); },
       [](const Temp_dir& d) { fs::current_path(d / "B"); }, "A\n", "library\n"},
      {"a header edited", "-isystem @A",
       [](const Temp_dir&) {}, nullptr, "A\n", "changed\n"},
      {"a search variable unset", "",
       [](const Temp_dir& d) { setenv("CPATH", (d / "A").c_str(), 1); },
       [](const Temp_dir&) { unsetenv("CPATH"); }, "A\n", "library\n"},
      {"a header added deeper in an earlier folder", "-isystem @D",
       [](const Temp_dir& d) { fs::create_directories(d / "D/sub/deep"); },
       [](const Temp_dir& d) { Write_file(d / "D/sub/deep/where.h", "#define WHERE \"deeper\"\n"); },
       "library\n", "deeper\n"},
      {"the program's own folder searched", "-I@", [](const Temp_dir&) {},
       [](const Temp_dir&) {}, "library\n", "library\n"},
  };
  // The library's header takes WHERE from a header two folders down.
  Header(dir / "L", "library");
  Write_file(dir / "L/bits/stdc++.h", "#include <sub/deep/where.h>\n");
  fs::create_directories(dir / "L/sub/deep");
  Write_file(dir / "L/sub/deep/where.h", "#define WHERE \"library\"\n");
  // The library is reached through a link to a shorter path, which g++ names
  // its headers by.
  fs::create_directory_symlink(dir / "L", dir / "a_much_longer_name_for_the_library_folder");
  const Env library("CPLUS_INCLUDE_PATH", (dir / "a_much_longer_name_for_the_library_folder").c_str());
  for (const auto& c : cases) {
    fs::remove_all(dir / "cache");
    Header(dir / "A", "A");
    fs::create_directories(dir / "B");
    settings = c.options;
    if (settings.find('@') != std::string::npos) settings.replace(settings.find('@'), 1, dir / "");
    c.before(dir);
    const auto [first, first_plain] = Both(program);
    EXPECT_EQ(first.out, c.out_before) << c.name << first.err;
    const auto entries = Entries(dir / "cache/vorlix/pch");
    ASSERT_EQ(entries.size(), 1u) << c.name;
    std::string made, used;
    ASSERT_TRUE(File_stamp(entries[0] + "/" + GCH, made)) << c.name;
    // Still what a build now would make: used, not made again, although the
    // compiles wrote their program meanwhile.
    EXPECT_EQ(Both(program).first.out, c.out_before) << c.name;
    EXPECT_TRUE(File_stamp(entries[0] + "/" + GCH, used) && used == made) << c.name;
    if (c.after != nullptr)
      c.after(dir);
    else
      Header(dir / "A", "changed");
    const auto [cached, plain] = Both(program);
    EXPECT_EQ(cached.out, c.out_after) << c.name << cached.err;
    EXPECT_TRUE(cached == plain) << c.name;
    fs::current_path(here);
  }
}

}  // namespace
