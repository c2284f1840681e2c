#include "run/pch_cache.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include "text/compiler_words.h"
#include "text/stable_hash.h"
#include "text/temporary_name.h"

namespace fs = std::filesystem;

namespace {

const char* const Job_option = "--pch-build";

// How long a build may take before its temporary counts as left behind (a
// precompile takes seconds; a killed build holds its key back this long).
const std::chrono::seconds Build_age{600};
// How long a failed build keeps its key from being tried again: a full disk
// or a quota is seldom mended within minutes, and each try costs seconds of
// CPU and some 360 MB of memory.
const std::chrono::seconds Failure_memory{3600};
// The most of an entry's record that is read: one that would be longer is
// not made, as it could never be found whole.
const std::size_t Record_bytes = 1 << 20;
// Entries are about 112 MB each: only the most recently used stay.
const std::size_t Entries_kept = 3;

// The variables that move the compiler's header search or its own parts.
const char* const Search_variables[] = {"CPATH",          "C_INCLUDE_PATH",  "CPLUS_INCLUDE_PATH",
                                        "OBJC_INCLUDE_PATH", "GCC_EXEC_PREFIX", "COMPILER_PATH"};

const std::string Header_name = "stdc++.h.gch";

// Paths are UTF-8 throughout; u8path makes them the system's own (UTF-16 on
// Windows) instead of reading them in a code page.
fs::path P(const std::string& path) { return fs::u8path(path); }

std::string Join(const std::string& dir, const std::string& name) {
  return (P(dir) / P(name)).u8string();
}

// How much of a source the scan reads: enough for a long comment at the top.
const std::size_t Head_bytes = 16384;

std::string Read_head(const std::string& path, std::size_t bytes) {
  std::ifstream in(P(path), std::ios::binary);
  std::string head(bytes, '\0');
  in.read(&head[0], static_cast<std::streamsize>(bytes));
  head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return head;
}

bool Write_private_file(const std::string& path, const std::string& text) {
  {
    std::ofstream out(P(path), std::ios::binary | std::ios::trunc);
    if (!(out << text)) return false;
  }
  std::error_code ec;
  // Whatever the umask says: nobody else may write a part of an entry.
  fs::permissions(P(path), fs::perms::owner_read | fs::perms::owner_write, ec);
  return !ec;
}

bool Is_key(const std::string& name) {
  return name.size() == 16 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// A build's temporary folder: KEY.<16 hex>.tmp.
bool Is_build_of(const std::string& name, const std::string& key) {
  return Is_key(key) && Is_temporary_name(name, key);
}

bool Is_any_build(const std::string& name) {
  return name.size() > 16 && Is_build_of(name, name.substr(0, 16));
}

// The mark a failed build of a key leaves: KEY.failed.
std::string Failure_mark(const std::string& key) { return key + ".failed"; }

bool Is_any_failure_mark(const std::string& name) {
  return name.size() == 23 && Is_key(name.substr(0, 16)) && name.substr(16) == ".failed";
}

fs::file_time_type Modified(const fs::path& path) {
  std::error_code ec;
  const auto time = fs::last_write_time(path, ec);
  return ec ? fs::file_time_type::min() : time;
}

bool Younger_than(const fs::path& path, std::chrono::seconds age) {
  return Modified(path) > fs::file_time_type::clock::now() - age;
}

void Mark_used(const std::string& dir) {
  std::error_code ec;
  fs::last_write_time(P(dir), fs::file_time_type::clock::now(), ec);
}

bool Enabled() {
  const char* setting = std::getenv("VORLIX_PCH");
  return setting == nullptr || std::string(setting) != "0";
}

// What a build is made from, beyond the header itself.
struct Request {
  std::string com_path, com_settings;
  // The working directory, where the compiler's path or an option's is
  // relative to it; "" otherwise.
  std::string cwd;
};

// The hash of the fields each with its length, so that no two different
// sets of fields hash the same bytes.
std::string Hash(const std::vector<std::string>& fields) {
  std::string bytes;
  for (const auto& field : fields) bytes += std::to_string(field.size()) + ":" + field;
  return Stable_hash(bytes);
}

// The key of `request`, or "" when the compiler's file cannot be told.
std::string Key(const Request& request) {
  std::string stamp;
  if (!File_stamp(request.com_path, stamp)) return "";
  std::vector<std::string> fields = {request.com_path, stamp, request.com_settings, request.cwd};
  for (const char* name : Search_variables) {
    const char* value = std::getenv(name);
    fields.push_back(value != nullptr ? std::string("=") + value : "unset");
  }
  return Hash(fields);
}

// The cache's pch folder under `cache`, made where missing; "" when it is not
// the user's own, or anyone else could change a folder on its way.
std::string Pch_root(const std::string& cache) {
  // A folder that cannot be made, or is not private, leaves the cache unused,
  // which costs only the speed-up: nobody is told, as nobody could act on it
  // before the compile they are waiting for.
  if (cache.empty() || !Make_private_directory(cache)) return "";
  const std::string root = Join(cache, "pch");
  return Make_private_directory(root) && Only_user_can_change(root) ? root : "";
}

// One line of an entry's record: the stamp of `path` ("-" where it is
// missing), a tab, the path.
std::string Record_line(const std::string& path) {
  std::string stamp;
  if (!File_stamp(path, stamp)) stamp = "-";
  return stamp + "\t" + path + "\n";
}

// True when every line of `record` after the first still holds.
bool Record_holds(const std::string& record) {
  std::size_t from = record.find('\n');
  while (from != std::string::npos && from + 1 < record.size()) {
    const std::size_t tab = record.find('\t', from + 1), end = record.find('\n', from + 1);
    if (tab == std::string::npos || end == std::string::npos || tab > end) return false;
    const std::string path = record.substr(tab + 1, end - tab - 1);
    if (Record_line(path) != record.substr(from + 1, end - from)) return false;
    from = end;
  }
  return true;
}

void Remove(const std::string& dir) {
  std::error_code ec;
  // What cannot be removed stays unusable: its record no longer holds.
  fs::remove_all(P(dir), ec);
}

// The entry of `key` as a header folder for CPATH, when it is whole, the
// user's own, and what a build now would make; "" otherwise. An entry that
// is stale or damaged is removed; one that is not the user's is left alone.
std::string Usable_entry(const std::string& root, const std::string& key) {
  const std::string dir = Join(root, key), gch = Join(Join(dir, "bits"), Header_name);
  const std::string record_path = Join(dir, "record");
  std::error_code ec;
  if (!fs::exists(P(dir), ec)) return "";
  if (!Is_private(dir) || !Is_private(Join(dir, "bits")) || !Is_private(gch) ||
      !Is_private(record_path))
  {
    // Half gone, or loosened: the user's own folder can go; another's stays.
    if (Is_private(dir)) Remove(dir);
    return "";
  }
  const std::string record = Read_head(record_path, Record_bytes);
  std::string stamp;
  const bool whole = File_stamp(gch, stamp) && record.compare(0, stamp.size() + 1, stamp + "\n") == 0;
  if (whole && Record_holds(record)) return dir;
  Remove(dir);
  return "";
}

// The root, the key and the request of a compile through the cache; an
// empty key when the cache is not to be used for it.
struct Plan {
  std::string root, key, entry;
  Request request;
};

Plan Prepare(const std::string& com_path, const std::string& com_settings,
             const std::string& fpath) {
  Plan plan;
  if (!Enabled() || !Starts_with_stdcpp_include(Read_head(fpath, Head_bytes))) return plan;
  plan.root = Pch_root(Cache_directory());
  if (plan.root.empty()) return plan;
  plan.request = {com_path, com_settings, ""};
  if (!Is_absolute_path(com_path) || Options_name_relative_paths(com_settings)) {
    std::error_code ec;
    plan.request.cwd = fs::current_path(ec).u8string();
    if (ec) return plan;
  }
  plan.key = Key(plan.request);
  if (!plan.key.empty()) plan.entry = Usable_entry(plan.root, plan.key);
  return plan;
}

bool Build_under_way(const std::string& root, const std::string& key) {
  std::error_code ec;
  for (fs::directory_iterator it(P(root), ec), end; !ec && it != end; it.increment(ec))
    if (Is_build_of(it->path().filename().u8string(), key) && Younger_than(it->path(), Build_age))
      return true;
  return false;
}

void Start_build(const Plan& plan, Cache_job_start start) {
  std::error_code ec;
  // An entry there but not usable is someone else's, or others may write
  // it: it is left alone, not replaced.
  if (fs::exists(P(Join(plan.root, plan.key)), ec) || ec ||
      Build_under_way(plan.root, plan.key) ||
      Younger_than(P(Join(plan.root, Failure_mark(plan.key))), Failure_memory))
    return;
  // A job that cannot be started costs the speed-up of the next compiles
  // only, and each of them tries again: nothing for the user to do.
  (void)start({Job_option, plan.root, plan.key, plan.request.com_path, plan.request.com_settings,
               plan.request.cwd});
}

// A path that begins with "-" would be read as an option.
std::string Not_an_option(const std::string& path) {
  return !path.empty() && path[0] == '-' ? "./" + path : path;
}

void Tidy_cache(const std::string& root) {
  std::error_code ec;
  std::vector<std::pair<fs::file_time_type, fs::path>> entries;
  std::vector<fs::path> gone;
  for (fs::directory_iterator it(P(root), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().u8string();
    if ((Is_any_build(name) && !Younger_than(it->path(), Build_age)) ||
        (Is_any_failure_mark(name) && !Younger_than(it->path(), Failure_memory)))
      gone.push_back(it->path());
    if (Is_key(name)) entries.emplace_back(Modified(it->path()), it->path());
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  for (std::size_t i = Entries_kept; i < entries.size(); ++i) gone.push_back(entries[i].second);
  for (const auto& path : gone) fs::remove_all(path, ec);
}

// The file number of the folder at `path` (the last word of its stamp), or
// "" where it cannot be read.
std::string Identity(const fs::path& path) {
  std::string stamp;
  if (!File_stamp(path.u8string(), stamp)) return "";
  return stamp.substr(stamp.rfind(' ') + 1);
}

// Where a header put later would be found before one that an entry was made
// from: for each such file in a folder searched for headers, the folder it
// lies in, taken at the same place under every searched folder (a
// <bits/x.h> is shadowed by any searched folder's bits/x.h, an
// <ext/pb_ds/x.hpp> by its ext/pb_ds/x.hpp); for a file right in a searched
// folder, its own name there. Not a searched folder itself: "-I." and the
// like name the folder that the compile writes its program into, whose
// time changes with every compile.
// A searched folder is known among a file's folders by its file number, not
// its spelling: the compiler names a header it found there by a shorter path
// where it has one (links resolved; on Windows, lower case).
std::set<std::string> Shadowing_paths(const std::vector<std::string>& files,
                                      const std::vector<std::string>& searched) {
  std::set<fs::path> places;
  std::vector<fs::path> roots;
  std::set<std::string> root_numbers;
  for (const auto& folder : searched) {
    roots.push_back(P(folder).lexically_normal());
    const std::string number = Identity(roots.back());
    if (!number.empty()) root_numbers.insert(number);
  }
  std::map<fs::path, bool> is_root;
  for (const auto& file : files) {
    const fs::path normal = P(file).lexically_normal();
    fs::path folder = normal.parent_path(), place;
    for (;;) {
      const auto known = is_root.find(folder);
      const bool root = known != is_root.end() ? known->second
                                               : (is_root[folder] = root_numbers.count(Identity(folder)) > 0);
      if (root) places.insert(place.empty() ? normal.filename() : place);
      if (!folder.has_relative_path()) break;
      place = place.empty() ? folder.filename() : folder.filename() / place;
      folder = folder.parent_path();
    }
  }
  std::set<std::string> paths;
  for (const auto& root : roots)
    for (const auto& place : places) paths.insert((root / place).lexically_normal().u8string());
  return paths;
}

// The record of a build in `temporary`: the header's own stamp, then every
// file it was made from but the temporary's own, the compiler proper, the
// paths where a header put later would shadow one of them, and each folder
// missing from the search.
std::string Record(const std::string& temporary, const std::string& gch, const std::string& rule,
                   const std::string& verbose) {
  std::string stamp;
  if (!File_stamp(gch, stamp)) return "";
  std::string record = stamp + "\n";
  const auto Absolute = [](const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(P(path), ec);
    return ec ? path : absolute.lexically_normal().u8string();
  };
  const fs::path inside = P(temporary).lexically_normal();
  std::vector<std::string> files;
  for (const auto& file : Make_rule_prerequisites(rule))
    if (P(file).lexically_normal().parent_path() != inside) files.push_back(Absolute(file));
  for (const auto& file : files) record += Record_line(file);
  const std::string proper = Verbose_compiler_proper(verbose);
  if (!proper.empty()) record += Record_line(Absolute(proper));
  const Header_search search = Verbose_header_search(verbose);
  std::vector<std::string> searched;
  for (const auto& folder : search.folders) searched.push_back(Absolute(folder));
  for (const auto& path : Shadowing_paths(files, searched)) record += Record_line(path);
  for (const auto& folder : search.missing) record += Record_line(Absolute(folder));
  return record;
}

// Makes the entry of `key` and waits for it: the header precompiled under a
// temporary name with what it was made from recorded, checked by a compile
// that finds it through CPATH, and renamed into place.
bool Build_entry(const std::string& root, const std::string& key, const Request& request) {
  const std::string temporary = Temporary_name(Join(root, key));
  const std::string bits = Join(temporary, "bits"), gch = Join(bits, Header_name);
  const std::string header = Join(temporary, "stdcpp.h"), check = Join(temporary, "check.cpp");
  const std::string rule = Join(temporary, "made-from.d");
  const std::string include = "#include <bits/stdc++.h>\n";
  Quiet_compile made, checked;
  bool whole = Make_private_directory(temporary) && Make_private_directory(bits) &&
               Write_private_file(header, include) &&
               Compile_quietly(request.com_path, request.com_settings,
                               {"-g", "-v", "-x", "c++-header", "-MD", "-MF", rule, "-MT", "entry",
                                "-o", gch, header},
                               "", made) &&
               made.status == 0;
  // The check compiles a program against the header in its place and fails
  // where the compiler finds it and cannot use it.
  whole = whole && Write_private_file(check, include + "int main() {}\n") &&
          Compile_quietly(request.com_path, request.com_settings,
                          {"-g", "-fsyntax-only", "-Winvalid-pch", "-Werror=invalid-pch", check},
                          temporary, checked) &&
          checked.status == 0;
  std::error_code ec;
  fs::permissions(P(gch), fs::perms::owner_read | fs::perms::owner_write, ec);
  const auto size = whole ? fs::file_size(P(gch), ec) : 0;
  const std::string record =
      whole && !ec && size > 0 ? Record(temporary, gch, Read_head(rule, 1 << 22), made.output) : "";
  whole = !record.empty() && record.size() < Record_bytes &&
          Write_private_file(Join(temporary, "record"), record);
  for (const auto& part : {header, check, rule}) fs::remove(P(part), ec);
  if (whole) {
    fs::rename(P(temporary), P(Join(root, key)), ec);
    whole = !ec;
  }
  if (!whole) {
    Remove(temporary);
    return false;
  }
  Mark_used(Join(root, key));
  return true;
}

}  // namespace

namespace {
int Build_job(const std::vector<std::string>& arguments);
}  // namespace

Program_run Compile_with_cache(const std::string& com_path, const std::string& com_settings,
                               const std::string& fpath, const std::string& epath,
                               Cache_job_start start) {
  Plan plan;
  try {
    plan = Prepare(com_path, com_settings, fpath);
  } catch (const std::exception&) {
    // A path the file system library cannot take (on Windows, one that is
    // not UTF-8) or no memory left: the compile goes on without the cache,
    // which costs only the speed-up, and reports such a path as it always did.
    plan = Plan{};
  }
  if (!plan.entry.empty()) {
    Quiet_compile cached;
    const Outcome ran =
        Compile_quietly(com_path, com_settings, {"-g", "-o", Not_an_option(epath), Not_an_option(fpath)},
                        plan.entry, cached);
    if (ran && cached.status == 0 && cached.output.empty()) {
      Mark_used(plan.entry);
      Program_run clean;
      clean.status = 0;
      return clean;
    }
    if (ran && cached.interrupted) {
      // The user stopped it with the interrupt key: not again. It ended as a
      // compile without the cache that the key ended would.
      Program_run stopped;
      stopped.end = Program_run::End::signal;
      stopped.status = 128 + 2;
      return stopped;
    }
    // Messages name the entry's own include chain, not the user's: the
    // compile without the cache is the one the user reads.
    const Program_run plain = Compile(com_path, com_settings, epath, fpath);
    // It fails with the entry and not without it: the entry is at fault.
    if (plain.succeeded() && (!ran || cached.status != 0)) Remove(plan.entry);
    return plain;
  }
  const Program_run plain = Compile(com_path, com_settings, epath, fpath);
  if (!plan.key.empty()) Start_build(plan, start);
  return plain;
}

bool Is_cache_job(const std::vector<std::string>& arguments) {
  return arguments.size() == 7 && arguments[1] == Job_option;
}

int Run_cache_job(const std::vector<std::string>& arguments) {
  if (!Is_cache_job(arguments)) return 2;
  try {
    return Build_job(arguments);
  } catch (const std::exception&) {
    // A path the file system library cannot take, or no memory: the job has
    // no terminal and nobody waits for it; the next compile without an entry
    // starts another.
    return 1;
  }
}

namespace {

int Build_job(const std::vector<std::string>& arguments) {
  const std::string &root = arguments[2], &key = arguments[3];
  const Request request = {arguments[4], arguments[5], arguments[6]};
  // Words that name another folder than this user's cache are not a job
  // this Vorlix gave: tidying there could remove someone's folders. The
  // root is compared, not made again: a cache removed meanwhile stays gone.
  const std::string cache = Cache_directory();
  if (!Enabled() || cache.empty() || !Is_absolute_path(root) || root != Join(cache, "pch") ||
      !Only_user_can_change(root) || !Is_key(key))
    return 1;
  std::error_code ec;
  if (!request.cwd.empty()) fs::current_path(P(request.cwd), ec);
  if (ec) return 1;
  Tidy_cache(root);
  if (!Build_entry(root, key, request)) {
    // Remembered, so that the next compiles do not each try again at once.
    Write_private_file(Join(root, Failure_mark(key)), "");
    return 1;
  }
  Tidy_cache(root);
  return 0;
}

}  // namespace
