#include "text/compiler_words.h"

#include <cctype>

#include "text/command_line.h"
#include "text/text_lines.h"

std::vector<std::string> Posix_compiler_words(const std::string& com_path,
                                              const std::string& com_settings,
                                              const std::vector<std::string>& words) {
  std::string script = "exec \"$0\" " + com_settings;
  for (std::size_t i = 1; i <= words.size(); ++i) script += " \"${" + std::to_string(i) + "}\"";
  // A name without a slash, which might also begin with "-", is the file in
  // the working directory, as in the compile's own words.
  std::vector<std::string> args = {"/bin/sh", "-c", script, Posix_program_path(com_path)};
  args.insert(args.end(), words.begin(), words.end());
  return args;
}

std::string Windows_compiler_words(const std::string& com_path, const std::string& com_settings,
                                   const std::vector<std::string>& words) {
  std::string line = "\"" + com_path + "\" " + com_settings;
  for (const auto& w : words) line += " " + Windows_quoted_argument(w);
  return line;
}

std::string Header_search_path(const std::string& header_dir, const std::string& old,
                               char separator) {
  if (header_dir.empty() || header_dir.find(separator) != std::string::npos ||
      header_dir.find('\0') != std::string::npos)
    return "";
  return old.empty() ? header_dir : header_dir + separator + old;
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

bool Is_absolute_path(const std::string& path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

bool Options_name_relative_paths(const std::string& com_settings) {
  std::vector<std::string> words(1);
  for (const char c : com_settings) {
    if (c == ' ' || c == '\t' || c == '\n') {
      if (!words.back().empty()) words.emplace_back();
    } else if (c != '"' && c != '\'') {
      words.back() += c;
    }
  }
  // Longest first, so that -isystem is not read as -i plus "system".
  const char* const with_path[] = {"-iwithprefixbefore", "-iwithprefix", "-idirafter", "-isysroot",
                                   "-isystem", "--sysroot=", "--sysroot", "-imacros", "-include",
                                   "-iprefix", "-iquote", "-I", "-B", "@"};
  for (std::size_t i = 0; i < words.size(); ++i) {
    for (const std::string option : with_path) {
      if (words[i].compare(0, option.size(), option) != 0) continue;
      std::string path = words[i].substr(option.size());
      if (path.empty() && option != "@" && i + 1 < words.size()) path = words[i + 1];
      if (!path.empty() && !Is_absolute_path(path)) return true;
      break;
    }
  }
  return false;
}

std::vector<std::string> Make_rule_prerequisites(const std::string& rule) {
  std::vector<std::string> files;
  std::string file;
  // The target ends at the first colon followed by a blank or the end: a
  // drive letter's colon is followed by a slash.
  std::size_t i = 0;
  while (i < rule.size() && !(rule[i] == ':' && (i + 1 == rule.size() || rule[i + 1] == ' ' ||
                                                 rule[i + 1] == '\n' || rule[i + 1] == '\r')))
    ++i;
  for (++i; i < rule.size(); ++i) {
    const char c = rule[i];
    const char next = i + 1 < rule.size() ? rule[i + 1] : '\0';
    if (c == '\\' && (next == ' ' || next == '#')) {
      file += next;
      ++i;
    } else if (c == '\\' && (next == '\n' || next == '\r')) {
      ++i;
    } else if (c == '$' && next == '$') {
      file += '$';
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (!file.empty()) files.push_back(file);
      file.clear();
    } else {
      file += c;
    }
  }
  if (!file.empty()) files.push_back(file);
  return files;
}

namespace {

// The lines of a compiler's output, each without a "\r" at its end.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines = Split_lines(text);
  for (auto& line : lines)
    if (!line.empty() && line.back() == '\r') line.pop_back();
  return lines;
}

}  // namespace

Header_search Verbose_header_search(const std::string& verbose) {
  Header_search search;
  const std::string missing = "ignoring nonexistent directory \"";
  bool in_list = false;
  for (const auto& line : Lines(verbose)) {
    if (line.compare(0, missing.size(), missing) == 0 && line.back() == '"') {
      search.missing.push_back(line.substr(missing.size(), line.size() - missing.size() - 1));
    } else if (line.find("search starts here:") != std::string::npos) {
      in_list = true;
    } else if (line == "End of search list.") {
      in_list = false;
    } else if (in_list && line.size() > 1 && line[0] == ' ') {
      std::string folder = line.substr(1);
      // Apple's clang says which are frameworks.
      const std::string framework = " (framework directory)";
      if (folder.size() > framework.size() &&
          folder.compare(folder.size() - framework.size(), framework.size(), framework) == 0)
        folder.resize(folder.size() - framework.size());
      search.folders.push_back(folder);
    }
  }
  return search;
}

std::string Verbose_compiler_proper(const std::string& verbose) {
  for (const auto& line : Lines(verbose)) {
    if (line.size() < 2 || line[0] != ' ') continue;
    std::string first;
    if (line[1] == '"') {
      const std::size_t end = line.find('"', 2);
      if (end == std::string::npos) continue;
      first = line.substr(2, end - 2);
    } else {
      first = line.substr(1, line.find(' ', 1) - 1);
    }
    for (const std::string name : {"cc1plus", "cc1plus.exe"})
      if (first.size() >= name.size() &&
          first.compare(first.size() - name.size(), name.size(), name) == 0 &&
          (first.size() == name.size() || first[first.size() - name.size() - 1] == '/' ||
           first[first.size() - name.size() - 1] == '\\'))
        return first;
  }
  return "";
}
