#include "run/run.h"
#include "console/options.h"
#include "console/output.h"
#include "console/pages.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace {

const char* const Usage =
    "用法：vorlix [--help | --version]\n"
    "在控制台中编译并运行单文件 C++ 程序。不带参数启动时显示菜单：选择“1. 运行代码”，\n"
    "输入 .cpp 文件的路径，Vorlix 用设置中的 g++ 把它编译为同名的 .exe，并在新窗口中运行。\n"
    "设置保存在当前目录的 vorlix_data.sg 中，经“3. 保存并退出”写入。\n"
    "\n"
    "  --help     显示本帮助并退出\n"
    "  --version  显示版本号并退出\n";

}  // namespace

void Init() {
  Console_init();
  Set_title("Vorlix");
  Load_settings();
}

// Arguments other than the two options are ignored, as they always were.
int main(int argc, char** argv) {
  if (Answer_option(Program_arguments(argc, argv), "vorlix", Usage)) return 0;
  Init();
  for (;;) {
    Clear_screen();
    const auto op = Main_page();
    if (op == 3) break;
    if (op == 2) Settings();
    if (op == 1) Run();
  }
  Clear_screen();
  std::string error;
  const bool saved = Save_settings(error);
  Print("将在 3s 内退出……", 1);
  Wait(2.5);
  if (saved) return 0;
  // Said last, so that it stays on the screen once Vorlix has gone.
  Write_text(Stream::err, "无法保存设置到 " + SETTINGS + "：" + error + "\n");
  return 1;
}
