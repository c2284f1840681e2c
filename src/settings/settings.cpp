#include "settings/settings.h"

#include "platform/platform.h"
#include "text/text_lines.h"

std::string COM_PATH;
std::string CON_PATH;
std::string COM_SETTINGS;
const std::string SETTINGS = "vorlix_data.sg";

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
  // A missing or unreadable file leaves every line empty.
  (void)Read_text_lines(path, Settings_bounds(), lines);
  Take_values(lines);
}

Outcome Save_settings_to(const std::string& path) { return Save_text_file(path, Settings_text()); }

void Load_settings() { Load_settings_from(SETTINGS); }

Outcome Save_settings() { return Save_settings_to(SETTINGS); }
