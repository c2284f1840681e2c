// Where the forms for editors and scripts find their settings: an editor
// starts Vorlix in a folder of its own choosing, which seldom holds the
// settings file, so the source's folders and the user's config folder are
// asked too. A file found beyond the working directory is read only when
// nobody else can have put it there.
#include <filesystem>

#include "platform/platform.h"
#include "settings/settings.h"
#include "text/printable.h"

namespace fs = std::filesystem;

std::string Settings_file_for(const std::string& fpath) {
  if (Is_regular_file(SETTINGS)) return SETTINGS;
  std::error_code ec;
  fs::path dir = fs::absolute(fs::u8path(fpath), ec).parent_path();
  if (!ec) dir = fs::weakly_canonical(dir, ec);
  // The folder and each above it, up to the root.
  for (bool more = !ec; more; dir = dir.parent_path()) {
    const std::string candidate = (dir / SETTINGS).u8string();
    if (Is_regular_file(candidate) && Only_user_can_change(candidate)) return candidate;
    more = dir.has_relative_path();
  }
  const std::string config = Config_directory();
  if (config.empty()) return "";
  const std::string candidate = (fs::u8path(config) / SETTINGS).u8string();
  return Is_regular_file(candidate) ? candidate : "";
}

void Load_settings_for(const std::string& fpath) {
  const std::string file = Settings_file_for(fpath);
  if (!file.empty()) return Load_settings_from(file);
  COM_PATH = Program_on_path("g++");
  CON_PATH.clear();
  COM_SETTINGS.clear();
  SETTINGS_READ.clear();
  SETTINGS_UNREADABLE.clear();
}

std::string Settings_origin_line() {
  if (SETTINGS_READ.empty()) return "未找到设置文件 " + SETTINGS + "，PATH 中也没有 g++。\n";
  std::error_code ec;
  const fs::path full = fs::absolute(fs::u8path(SETTINGS_READ), ec);
  const std::string file = Printable(ec ? SETTINGS_READ : full.u8string());
  if (!SETTINGS_UNREADABLE.empty()) return "无法读取设置文件 " + file + "：" + SETTINGS_UNREADABLE + "\n";
  return "所用的设置文件：" + file + "\n";
}
