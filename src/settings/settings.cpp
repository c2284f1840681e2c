#include "settings/settings.h"

#include "platform/platform.h"
#include "text/text_lines.h"

std::string COM_PATH;
std::string CON_PATH;
std::string COM_SETTINGS;
const std::string SETTINGS = "vorlix_data.sg";
std::string SETTINGS_READ;
std::string SETTINGS_UNREADABLE;

namespace {

void Take_values(const std::vector<std::string>& lines) {
  COM_PATH = lines.at(0);
  CON_PATH = lines.at(1);
  COM_SETTINGS = lines.at(2);
}

}  // namespace

std::size_t Max_path_setting_bytes() { return Max_path_bytes() + 1; }

std::vector<std::size_t> Settings_bounds() {
  return {Max_path_setting_bytes(), Max_path_setting_bytes(), Max_options_bytes};
}

std::string Settings_text() { return COM_PATH + "\n" + CON_PATH + "\n" + COM_SETTINGS; }

void Load_settings_from(const std::string& path) {
  std::vector<std::string> lines;
  const Outcome read = Read_text_lines(path, Settings_bounds(), lines);
  Take_values(lines);
  SETTINGS_READ = path;
  // Something that is not a file at all (a directory) the save refuses by
  // itself, with its own words.
  const bool unread = !read && read.failure().kind != Failure::Kind::none;
  SETTINGS_UNREADABLE = unread ? read.failure().system_text : "";
}

Outcome Save_settings_to(const std::string& path) { return Save_text_file(path, Settings_text()); }

void Load_settings() { Load_settings_from(SETTINGS); }

Outcome Save_settings() {
  // The file may hold settings that this run never saw: keep it as it is.
  if (SETTINGS_READ == SETTINGS && !SETTINGS_UNREADABLE.empty())
    return Failure{Failure::Kind::none, 0,
                   "启动时无法读取它（" + SETTINGS_UNREADABLE + "），为免丢失其中的设置，没有覆盖它"};
  return Save_settings_to(SETTINGS);
}
