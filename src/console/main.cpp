#include "contest/receive.h"
#include "contest/judge.h"
#include "contest/stress.h"
#include "run/pch_cache.h"
#include "run/run.h"
#include "console/options.h"
#include "console/output.h"
#include "console/pages.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/start_failure.h"

namespace {

const char* const Usage =
    "用法：vorlix\n"
    "      vorlix 源文件.cpp\n"
    "      vorlix --receive [目录] [--port=端口]\n"
    "      vorlix --judge 源文件.cpp [选项]\n"
    "      vorlix --stress 解答.cpp 暴力.cpp 生成器.cpp [选项]\n"
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
    "带 --receive（简写 -r）启动时在 127.0.0.1 的端口 24981（可用 --port= 更换）上接收浏览器扩展\n"
    "Competitive Companion 发来的题目，写入目录（默认为当前目录）：样例为 名称.K.in 和 名称.K.ans，\n"
    "题目为 名称.problem.json，名称.cpp 不存在时按模板 template.cpp（目录中的，或配置文件夹中的）新建。\n"
    "需在扩展的设置中把该端口加入自定义端口（Custom ports）。按 Ctrl-C 结束（返回值 130）。\n"
    "--judge（-j）：需要时编译，然后在题目的时间和内存限制下运行源文件旁的每个样例\n"
    "（NAME.in 与 NAME.ans，NAME.1.in 与 NAME.1.ans……），逐个给出 AC、WA、TLE、MLE、RE 或 OLE；\n"
    "限制取自 NAME.problem.json，否则为 1 秒与 256 MiB。全部通过为 0，否则为 1，没有样例为 2。\n"
    "--stress（-s）：对拍。第 i 轮以 i 为参数运行生成器，把它的输出交给暴力程序和解答，\n"
    "在第一个不同处停下，并把这组输入存为解答的下一个样例。无差异为 0，否则为 1。\n"
    "\n"
    "  --time-limit=毫秒      CPU 时间限制\n"
    "  --memory-limit=MiB     内存限制\n"
    "  --exact                逐字节比较（默认忽略行末空白和末尾空行）\n"
    "  --eps=误差             按记号比较，数值在绝对或相对误差内即相等\n"
    "  --rounds=轮数          对拍的轮数（默认 1000）\n"
    "  --time-budget=秒       对拍的总时长\n"
    "  --brute-time-limit=毫秒  暴力程序与生成器的时间限制（默认为解答的十倍）\n"
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
  // Vorlix started by itself to build a cache entry: no console, nothing shown.
  if (Is_cache_job(arguments)) return Run_cache_job(arguments);
  if (Answer_option(arguments, "vorlix", Usage)) return 0;
  // Problems from the browser: vorlix --receive [DIR] [--port=N].
  if (arguments.size() >= 2 && Is_receive_option(arguments[1])) return Receive_command(arguments);
  // The contest forms take their first argument and at least one more.
  if (arguments.size() >= 3 && (arguments[1] == "--judge" || arguments[1] == "-j")) {
    Console_init();
    return Judge_main(arguments);
  }
  if (arguments.size() >= 3 && (arguments[1] == "--stress" || arguments[1] == "-s")) {
    Console_init();
    return Stress_main(arguments);
  }
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
  const Outcome saved = Save_settings();
  Print("将在 3s 内退出……", 1);
  Wait(2.5);
  if (saved.ok()) return 0;
  // Said last, so that it stays on the screen once Vorlix has gone.
  Write_text(Stream::err,
             "无法保存设置到 " + SETTINGS + "：" + Save_failure_reason(saved.failure()) + "\n");
  return 1;
}
