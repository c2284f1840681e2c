#include "settings/settings.h"

#include <sstream>

#include "platform/platform.h"

std::string COM_PATH;
std::string CON_PATH;
std::string COM_SETTINGS;
const std::string SETTINGS = "vorlix_data.sg";

void Parse_settings(std::istream& in) {
  for (std::string* value : {&COM_PATH, &CON_PATH, &COM_SETTINGS}) {
    value->clear();
    if (!std::getline(in, *value)) continue;
    if (!value->empty() && value->back() == '\r') value->pop_back();
  }
}

std::string Settings_text() { return COM_PATH + "\n" + CON_PATH + "\n" + COM_SETTINGS; }

void Load_settings_from(const std::string& path) {
  std::string text;
  Read_text_file(path, text);
  std::istringstream in(text);
  Parse_settings(in);
}

bool Save_settings_to(const std::string& path) {
  std::string error;
  return Save_text_file(path, Settings_text(), error);
}

void Load_settings() { Load_settings_from(SETTINGS); }

void Save_settings() { Save_settings_to(SETTINGS); }
