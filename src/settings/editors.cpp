#include "settings/editors.h"

#include <string>

#include "console/input.h"
#include "console/output.h"
#include "platform/platform.h"
#include "text/exit_status.h"
#include "text/printable.h"
#include "settings/settings.h"

namespace {

// Shows the current value, its control characters escaped so that none
// reaches the terminal, and takes the next line as the new one, exactly as
// typed, up to the setting's bound. The change reaches the settings file
// when the user saves and exits.
void Edit(std::string& target, const std::string& label, const std::string& prompt,
          Line_kind kind) {
  Clear_screen();
  Print(label + (target.empty() ? "<空>" : Printable(target)), 1);
  Print(prompt, 1);
  target = Read_line(kind == Line_kind::options ? Max_options_bytes : Max_path_setting_bytes(), kind);
  Print("设置成功！", 2);
  Pause(Key_wait_prompt);
}

}  // namespace

void Set_com_path() { Edit(COM_PATH, "当前编译器路径：", "请输入新编译器路径：", Line_kind::compiler); }

void Set_con_path() {
  Edit(CON_PATH, "当前 ConsolePauser 路径：", "请输入新 ConsolePauser 路径：", Line_kind::pauser);
}

void Set_com_settings() { Edit(COM_SETTINGS, "当前编译选项：", "请输入新编译选项：", Line_kind::options); }
