#include "run/pch_cache.h"
#include "run/run.h"
#include "console/options.h"
#include "console/output.h"
#include "console/pages.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace {

const char* const Usage =
    "用法：vorlix\n"
    "      vorlix 源文件.cpp\n"
    "      vorlix --help | --version\n"
    "在控制台中编译并运行单文件 C++ 程序。不带参数启动时显示菜单：选择“1. 运行代码”，\n"
    "输入 .cpp 文件的路径，Vorlix 用设置中的 g++ 把它编译为同名的 .exe，并在新窗口中运行。\n"
    "设置保存在当前目录的 vorlix_data.sg 中，经“3. 保存并退出”写入。\n"
    "带一个源文件启动时不提问也不显示菜单：exe 不存在、比源文件旧或由其他编译器、编译选项编译时\n"
    "先编译，然后运行，随即退出（运行成功为 0，失败为 1，源文件无效为 2）；消息立即写出。\n"
    "适合在编辑器中使用。设置只读不写，取找到的第一个 vorlix_data.sg：当前目录；源文件所在目录\n"
    "及其上级目录中最近的一个（只读取仅本人或 root 可以改动的文件）；用户配置目录\n"
    "（$XDG_CONFIG_HOME/vorlix/ 或 ~/.config/vorlix/；Windows 上为 %APPDATA%\\Vorlix\\）。\n"
    "都没有时使用 PATH 中的 g++。\n"
    "\n"
    "  --help     显示本帮助并退出\n"
    "  --version  显示版本号并退出\n";

}  // namespace

void Init() {
  Console_init();
  Set_title("Vorlix");
  Load_settings();
}

// One argument is a source to compile and run at once, unless it looks like
// an option, which would be a mistake; any other number of them is ignored,
// as it always was, and the menu opens. Only the hidden form of a background
// job comes before all of that.
int main(int argc, char** argv) {
  const std::vector<std::string> arguments = Program_arguments(argc, argv);
  std::vector<std::string> job;
  // Vorlix started by itself to build a cache entry: no console, nothing shown.
  if (Background_job_arguments(arguments, job)) {
    Run_cache_job(job);
    return 0;
  }
  if (Answer_option(arguments, "vorlix", Usage)) return 0;
  if (arguments.size() == 2) {
    Console_init();
    if (!arguments[1].empty() && arguments[1][0] == '-') {
      Write_text(Stream::err, Usage);
      return 2;
    }
    TYPED = false;  // an editor or a script waits for it: no typing out
    Load_settings_for(arguments[1]);
    return Run_once(arguments[1]);
  }
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
