#include "run/pch_cache.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/platform.h"
#include "text/temporary_name.h"
#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

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
  return name.size() == 16 &&
         name.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// A build's temporary folder: KEY.<16 hex>.tmp.
bool Is_build_of(const std::string& name, const std::string& key) {
  return Is_key(key) && Is_temporary_name(name, key);
}

bool Is_any_build(const std::string& name) {
  return name.size() > 16 && Is_build_of(name, name.substr(0, 16));
}

fs::file_time_type Modified(const fs::path& path) {
  std::error_code ec;
  const auto time = fs::last_write_time(path, ec);
  return ec ? fs::file_time_type::min() : time;
}

void Mark_used(const std::string& dir) {
  std::error_code ec;
  fs::last_write_time(P(dir), fs::file_time_type::clock::now(), ec);
}

bool Enabled() {
  const char* setting = std::getenv("VORLIX_PCH");
  return setting == nullptr || std::string(setting) != "0";
}

// The key of the compiler at `com_path` with `com_settings`, or "" when the
// compiler's file cannot be told.
std::string Compiler_key(const std::string& com_path, const std::string& com_settings) {
  std::error_code ec;
  const auto size = fs::file_size(P(com_path), ec);
  if (ec) return "";
  const auto time = fs::last_write_time(P(com_path), ec);
  if (ec) return "";
  return Pch_key(com_path, size, static_cast<long long>(time.time_since_epoch().count()),
                 com_settings);
}

// The part of a compile that the cache adds; never throws, never prints.
std::string Prepare(const std::string& fpath, std::string& root, std::string& key) {
  try {
    if (!Enabled()) return "";
    const std::string cache = Cache_directory();
    if (cache.empty() || !Starts_with_stdcpp_include(Read_head(fpath, Head_bytes))) return "";
    root = Pch_root(cache);
    if (!root.empty()) key = Compiler_key(COM_PATH, COM_SETTINGS);
    return key.empty() ? "" : Usable_entry(root, key);
  } catch (...) {
    key.clear();
    return "";
  }
}

void Start_build(const std::string& root, const std::string& key) {
  try {
    std::error_code ec;
    // An entry there but not usable is someone else's, or others may write
    // it: it is left alone, not replaced.
    if (fs::exists(P(Join(root, key)), ec) || ec || Build_under_way(root, key, Pch_build_age))
      return;
    Run_in_background({root, key, COM_PATH, COM_SETTINGS}, Run_cache_job);
  } catch (...) {
  }
}

}  // namespace

Program_run Compile_with_cache(const std::string& fpath, const std::string& epath) {
  std::string root, key;
  const std::string entry = Prepare(fpath, root, key);
  Program_run status = Compile(COM_PATH, COM_SETTINGS, epath, fpath, entry);
  if (!entry.empty())
    Mark_used(entry);
  else if (!key.empty())
    Start_build(root, key);
  return status;
}

void Run_cache_job(const std::vector<std::string>& job) {
  try {
    // Words that name another folder than this user's cache are not a job
    // this Vorlix gave: tidying there could remove someone's folders. The
    // root is compared, not made again: a cache removed meanwhile stays gone.
    if (job.size() != 4 || !Enabled() || job[0] != Join(Cache_directory(), "pch")) return;
    const std::string &root = job[0], &key = job[1];
    Tidy_cache(root, Pch_build_age, Pch_entries_kept);
    if (Is_key(key) && Build_entry(root, key, job[2], job[3]))
      Tidy_cache(root, Pch_build_age, Pch_entries_kept);
  } catch (...) {
  }
}

bool Starts_with_stdcpp_include(const std::string& head) {
  const std::size_t n = head.size();
  std::size_t i = head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  const auto End_of_line = [&](std::size_t from) {
    // A backslash before the line break carries the line on.
    for (std::size_t at = head.find('\n', from); at != std::string::npos;
         at = head.find('\n', at + 1)) {
      std::size_t before = at;
      if (before > 0 && head[before - 1] == '\r') --before;
      if (before == 0 || head[before - 1] != '\\') return at;
    }
    return n;
  };
  while (i < n) {
    const char c = head[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
      ++i;
    } else if (head.compare(i, 2, "//") == 0) {
      i = End_of_line(i);
    } else if (head.compare(i, 2, "/*") == 0) {
      const std::size_t end = head.find("*/", i + 2);
      if (end == std::string::npos) return false;
      i = end + 2;
    } else if (c == '#') {
      i = head.find_first_not_of(" \t", i + 1);
      if (i == std::string::npos) return false;
      std::size_t name_end = i;
      while (name_end < n && (std::isalnum(static_cast<unsigned char>(head[name_end])) ||
                              head[name_end] == '_'))
        ++name_end;
      if (head.compare(i, name_end - i, "include") == 0 && name_end - i == 7) {
        i = head.find_first_not_of(" \t", name_end);
        return i != std::string::npos && head.compare(i, 15, "<bits/stdc++.h>") == 0;
      }
      i = End_of_line(name_end);
    } else {
      return false;
    }
  }
  return false;
}

std::string Pch_key(const std::string& com_path, std::uintmax_t size, long long mtime,
                    const std::string& com_settings) {
  // FNV-1a, 64 bits, over the fields each with its length, so that no two
  // different sets of fields hash the same bytes; the same in every build.
  std::uint64_t hash = 14695981039346656037ull;
  const auto Add = [&hash](const std::string& bytes) {
    for (const char c : std::to_string(bytes.size()) + ":" + bytes) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
  };
  Add(com_path);
  Add(std::to_string(size));
  Add(std::to_string(mtime));
  Add(com_settings);
  std::string key(16, '0');
  for (std::size_t i = 16; i-- > 0; hash >>= 4) key[i] = "0123456789abcdef"[hash & 0xf];
  return key;
}

std::string Pch_root(const std::string& cache) {
  if (cache.empty() || !Make_private_directory(cache)) return "";
  const std::string root = Join(cache, "pch");
  return Make_private_directory(root) ? root : "";
}

std::string Usable_entry(const std::string& root, const std::string& key) {
  const std::string dir = Join(root, key), bits = Join(dir, "bits");
  const std::string gch = Join(bits, "stdc++.h.gch"), size = Join(dir, "size");
  if (!Is_private(dir)) return "";
  std::error_code ec;
  for (const auto& part : {bits, gch, size})
    if (fs::symlink_status(P(part), ec).type() != fs::file_type::not_found && !Is_private(part))
      return "";
  const auto actual = fs::file_size(P(gch), ec);
  if (!ec && Read_head(size, 32) == std::to_string(actual)) return dir;
  // Cut short or half gone: the compiler would fail on it.
  fs::remove_all(P(dir), ec);
  return "";
}

bool Build_entry(const std::string& root, const std::string& key, const std::string& com_path,
                 const std::string& com_settings) {
  const std::string temporary = Temporary_name(Join(root, key));
  const std::string bits = Join(temporary, "bits"), gch = Join(bits, "stdc++.h.gch");
  const std::string header = Join(temporary, "stdcpp.h"), check = Join(temporary, "check.cpp");
  const std::string include = "#include <bits/stdc++.h>\n";
  std::error_code ec;
  bool whole = Make_private_directory(temporary) && Make_private_directory(bits) &&
               Write_private_file(header, include) &&
               Compile_quietly(com_path, com_settings, {"-g", "-x", "c++-header", "-o", gch, header},
                               "") == 0;
  // The check compiles a program against the header in its place and fails
  // where the compiler finds it and cannot use it.
  whole = whole && Write_private_file(check, include + "int main() {}\n") &&
          Compile_quietly(com_path, com_settings,
                          {"-g", "-fsyntax-only", "-Winvalid-pch", "-Werror=invalid-pch", check},
                          temporary) == 0;
  const auto size = whole ? fs::file_size(P(gch), ec) : 0;
  whole = whole && !ec && size > 0 && Write_private_file(Join(temporary, "size"), std::to_string(size));
  fs::permissions(P(gch), fs::perms::owner_read | fs::perms::owner_write, ec);
  fs::remove(P(header), ec);
  fs::remove(P(check), ec);
  if (whole) {
    fs::rename(P(temporary), P(Join(root, key)), ec);
    whole = !ec;
  }
  if (!whole) {
    fs::remove_all(P(temporary), ec);
    return false;
  }
  Mark_used(Join(root, key));
  return true;
}

bool Build_under_way(const std::string& root, const std::string& key, std::chrono::seconds age) {
  std::error_code ec;
  const auto since = fs::file_time_type::clock::now() - age;
  for (fs::directory_iterator it(P(root), ec), end; !ec && it != end; it.increment(ec))
    if (Is_build_of(it->path().filename().u8string(), key) && Modified(it->path()) > since)
      return true;
  return false;
}

void Tidy_cache(const std::string& root, std::chrono::seconds age, std::size_t keep) {
  std::error_code ec;
  const auto since = fs::file_time_type::clock::now() - age;
  std::vector<std::pair<fs::file_time_type, fs::path>> entries;
  std::vector<fs::path> gone;
  for (fs::directory_iterator it(P(root), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().u8string();
    if (Is_any_build(name) && Modified(it->path()) <= since) gone.push_back(it->path());
    if (Is_key(name)) entries.emplace_back(Modified(it->path()), it->path());
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  for (std::size_t i = keep; i < entries.size(); ++i) gone.push_back(entries[i].second);
  for (const auto& path : gone) fs::remove_all(path, ec);
}
