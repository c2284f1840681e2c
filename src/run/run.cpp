#include "run/run.h"

#include <cctype>

#include "console/input.h"
#include "console/output.h"
#include "platform/platform.h"
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
    std::string fpath = Read_line(Max_path_bytes() + 1, Line_kind::path);
    if (Is_valid_source(fpath)) return fpath;
    Print("路径无效或文件不合法！请重新输入。", 1);
  }
}

// Returns false when the workflow ends here: no usable compiler, or the
// compile failed.
bool Compile_step(const std::string& fpath, const std::string& epath) {
  if (!Is_regular_file(COM_PATH)) {
    Print("编译器路径无效！请重新设置。", 2);
    Pause();
    return false;
  }
  if (!Is_regular_file(epath)) {
    Print("未找到对应程序的 exe 文件，自动为你编译。", 1);
  } else {
    Print("是否需要编译？（0/1）", 1);
    const auto ncom = Read_pint({0, 1});
    if (ncom == 0) {
      Print("跳过编译。", 1);
      return true;
    }
  }
  Print("正在编译……", 1);
  if (Compile_with_cache(fpath, epath) != 0) {
    Print("编译失败！", 2);
    Pause();
    return false;
  }
  Print("编译成功！", 1);
  return true;
}

void Launch_step(const std::string& fpath, const std::string& epath) {
  Write("\n");
  Print("是否需要运行？（0/1）", 1);
  const auto nrun = Read_pint({0, 1});
  if (nrun == 0) {
    Print("跳过运行。", 1);
  } else {
    std::string pauser;
    if (Is_regular_file(CON_PATH)) {
      Print("正在通过 ConsolePauser 启动程序……", 1);
      pauser = CON_PATH;
    } else {
      Print("ConsolePauser 路径无效。即将直接启动程序。", 1);
    }
    // The executable may have gone since the compile was skipped; a missing
    // one cannot be started, whatever the console window would show.
    const bool started = Is_regular_file(epath) && Start_program(pauser, fpath, epath);
    Print(started ? "启动成功！" : "启动失败！", 1);
  }
  Write("\n");
  Pause();
}

}  // namespace

void Run() {
  const std::string fpath = Ask_for_source();
  const std::string epath = Executable_path(fpath);
  Write("\n");
  if (Compile_step(fpath, epath)) Launch_step(fpath, epath);
}
