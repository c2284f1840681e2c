#include "text/compiler_words.h"

#include "text/command_line.h"

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
