#include "settings/editors.h"

#include <string>

#include "console/input.h"
#include "console/output.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace {

// Shows the current value, takes the next line as the new one, exactly as
// typed. The change reaches the settings file when the user saves and exits.
void Edit(std::string& target, const std::string& label, const std::string& prompt,
          Line_kind kind) {
  Clear_screen();
  Print(label + (target.empty() ? "<空>" : target), 1);
  Print(prompt, 1);
  target = Read_line(SIZE_MAX, kind);
  Print("设置成功！", 2);
  Pause();
}

}  // namespace

void Set_com_path() { Edit(COM_PATH, "当前编译器路径：", "请输入新编译器路径：", Line_kind::compiler); }

void Set_con_path() {
  Edit(CON_PATH, "当前 ConsolePauser 路径：", "请输入新 ConsolePauser 路径：", Line_kind::pauser);
}

void Set_com_settings() { Edit(COM_SETTINGS, "当前编译选项：", "请输入新编译选项：", Line_kind::options); }
