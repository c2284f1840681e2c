// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class Temp_dir {
 public:
  Temp_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorlix-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~Temp_dir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  Temp_dir(const Temp_dir&) = delete;
  Temp_dir& operator=(const Temp_dir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void Write_file(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

inline std::string Read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The permission bits of `path` (0 where it is missing).
inline mode_t Mode_of(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// How many names the folder `dir` holds.
inline std::size_t Count_entries(const std::string& dir) {
  std::size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(dir); it != std::filesystem::directory_iterator(); ++it) ++n;
  return n;
}

// How many temporary files (".tmp") lie anywhere under `root`.
inline std::size_t Count_temporaries(const std::string& root) {
  std::size_t n = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    if (e.path().extension() == ".tmp") ++n;
  return n;
}

inline void Write_script(const std::string& path, const std::string& body) {
  Write_file(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
}

// What a shell command writes to its standard output.
inline std::string Output_of(const std::string& command) {
  FILE* p = popen(command.c_str(), "r");
  std::string out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}
