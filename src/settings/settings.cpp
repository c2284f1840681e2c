#include "settings/settings.h"

#include <cstdio>
#include <fstream>
#include <random>

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
  std::ifstream fin;
  if (Is_regular_file(path)) fin.open(path);
  Parse_settings(fin);
}

namespace {

// A name beside `path` that no other save running at the same time picks.
std::string Temporary_name(const std::string& path) {
  static std::mt19937_64 random{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                static_cast<unsigned long long>(random()));
  return path + suffix;
}

}  // namespace

bool Save_settings_to(const std::string& path) {
  const std::string temporary = Temporary_name(path);
  {
    // Text mode: line breaks are stored the way this system writes them.
    std::ofstream fout(temporary, std::ios::out | std::ios::trunc);
    if (!fout) return false;
    fout << Settings_text();
    fout.close();
    if (!fout) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (!Replace_file(temporary, path)) {
    std::remove(temporary.c_str());
    return false;
  }
  Hide_file(path);
  return true;
}

void Load_settings() { Load_settings_from(SETTINGS); }

void Save_settings() { Save_settings_to(SETTINGS); }
