#include "run/run.h"

#include <cctype>

#include "console/input.h"
#include "console/output.h"
#include "platform/platform.h"
#include "text/exit_status.h"
#include "text/start_failure.h"
#include "run/build_record.h"
#include "run/pch_cache.h"
#include "settings/settings.h"

std::string Source_extension(const std::string& fpath) {
  const auto dot = fpath.rfind('.');
  std::string ext = dot == std::string::npos ? fpath : fpath.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool Is_valid_source(const std::string& fpath) {
  if (fpath.size() <= 3 || fpath.size() > Max_path_bytes()) return false;
  if (fpath.find('\0') != std::string::npos) return false;
  const std::string ext = Source_extension(fpath);
  return Is_regular_file(fpath) && ext == "cpp";
}

std::string Executable_path(const std::string& fpath) {
  return fpath.substr(0, fpath.size() - 4) + ".exe";
}

namespace {

std::string Ask_for_source() {
  Clear_screen();
  Print("请输入 C++ 文件的完整路径：", 1);
  for (;;) {
    // One byte past the longest possible path is enough to refuse a longer line.
    std::string fpath = Read_line(Max_path_bytes() + 1, Line_kind::source);
    if (Is_valid_source(fpath)) return fpath;
    Print("路径无效或文件不合法！请重新输入。", 1);
  }
}

// `name_settings`: say on standard error which settings file was read, for
// the forms that look for one beyond the working directory.
bool Compiler_is_usable(bool name_settings) {
  if (Is_regular_file(COM_PATH)) return true;
  Print("编译器路径无效！请重新设置。", 2);
  if (name_settings) Write_text(Stream::err, Settings_origin_line());
  return false;
}

// Whether to compile, said on the screen. A missing executable is always
// compiled. An existing one: the menu asks; the run-once way compiles it
// only when it is older than the source, as make would, or was built by
// another compiler or with other options than today's.
bool Should_compile(const std::string& fpath, const std::string& epath, bool ask) {
  if (!Is_regular_file(epath)) {
    Print("未找到对应程序的 exe 文件，自动为你编译。", 1);
    return true;
  }
  if (ask) {
    Print("是否需要编译？（0/1）", 1);
    if (Read_pint({0, 1}) == 1) return true;
  } else if (Is_newer(fpath, epath)) {
    Print("exe 文件比源文件旧，自动为你编译。", 1);
    return true;
  } else if (Built_with_other_settings(epath)) {
    Print("编译器或编译选项已改变，自动为你重新编译。", 1);
    return true;
  }
  Print("跳过编译。", 1);
  return false;
}

// Returns false when the compile failed; the compiler's messages are above.
bool Build(const std::string& fpath, const std::string& epath) {
  Print("正在编译……", 1);
  const Program_run compile = Compile_with_cache(COM_PATH, COM_SETTINGS, fpath, epath, Run_in_background);
  // The terminal echoes Ctrl-C as "^C" where the cursor is: the message that
  // follows starts on a line of its own.
  if (Ended_by_interrupt_key(compile)) Write_text(Stream::out, "\n");
  const std::string failure = Compile_failure(COM_PATH, compile);
  if (!failure.empty()) Write_text(Stream::err, failure);
  if (!compile.succeeded()) {
    Print("编译失败！", 2);
    return false;
  }
  Record_build(epath);
  Print("编译成功！", 1);
  return true;
}

// Starts the program through the pauser where its path is valid, directly
// otherwise. Returns whether it started; the reason it did not goes to
// standard error, after the message.
bool Launch(const std::string& fpath, const std::string& epath) {
  std::string pauser;
  if (Is_regular_file(CON_PATH)) {
    Print("正在通过 ConsolePauser 启动程序……", 1);
    pauser = CON_PATH;
  } else {
    Print("ConsolePauser 路径无效。即将直接启动程序。", 1);
  }
  // The executable may have gone since the compile was skipped; a missing
  // one cannot be started, whatever the console window would show.
  std::string why = Start_failure_line(epath, "程序文件不存在");
  bool started = Is_regular_file(epath);
  if (started) {
    const Outcome start = Start_program(pauser, fpath, epath);
    started = start.ok();
    if (!started) why = Start_program_failure(pauser, epath, start.failure());
  }
  Print(started ? "启动成功！" : "启动失败！", 1);
  if (!started) Write_text(Stream::err, why + "\n");
  return started;
}

}  // namespace

void Run() {
  const std::string fpath = Ask_for_source();
  const std::string epath = Executable_path(fpath);
  Write("\n");
  if (!Compiler_is_usable(false) || (Should_compile(fpath, epath, true) && !Build(fpath, epath))) {
    Pause(Key_wait_prompt);
    return;
  }
  Write("\n");
  Print("是否需要运行？（0/1）", 1);
  if (Read_pint({0, 1}) == 0)
    Print("跳过运行。", 1);
  else
    Launch(fpath, epath);
  Write("\n");
  Pause(Key_wait_prompt);
}

bool Build_when_needed(const std::string& fpath) {
  const std::string epath = Executable_path(fpath);
  return Compiler_is_usable(true) && (!Should_compile(fpath, epath, false) || Build(fpath, epath));
}

int Run_once(const std::string& fpath) {
  if (!Is_valid_source(fpath)) {
    Write_text(Stream::err, "路径无效或文件不合法！\n");
    return 2;
  }
  const std::string epath = Executable_path(fpath);
  if (!Build_when_needed(fpath)) return 1;
  Write("\n");
  return Launch(fpath, epath) ? 0 : 1;
}
