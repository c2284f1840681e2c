#include "dialogue_model.h"

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <initializer_list>

#include "settings/settings.h"

namespace {

const std::string CLS = "\x1b[H\x1b[2J";
const std::string PAUSE = "请按任意键继续. . .\n";
const std::string RULE = std::string(100, '-') + "\n";

struct Replay {
  World w;
  Expected e;
};

// The most of a path setting kept: one byte past the longest path.
const std::size_t Path_bound = Fake_max_path + 1;

// A value as an editor shows it: each byte of a control character (below
// 0x20, 0x7f, and U+0080 to U+009F as UTF-8) written as \xNN.
std::string Escaped(const std::string& v) {
  std::string out;
  char hex[8];
  for (std::size_t i = 0; i < v.size(); ++i) {
    const auto c = static_cast<unsigned char>(v[i]);
    const auto next = i + 1 < v.size() ? static_cast<unsigned char>(v[i + 1]) : 0;
    const int bytes = c == 0xc2 && next >= 0x80 && next <= 0x9f ? 2 : c < 0x20 || c == 0x7f ? 1 : 0;
    if (bytes == 0) out += v[i];
    for (int k = 0; k < bytes; ++k, ++i) {
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(v[i]));
      out += hex;
    }
    if (bytes > 0) --i;
  }
  return out;
}

std::string Value_or_empty_mark(const std::string& v) { return v.empty() ? "<空>" : Escaped(v); }

// A line is an answer when it is at most nine ASCII digits; the empty line is 0.
int Answer(Replay& r, std::initializer_list<int> accepted) {
  for (;;) {
    const std::string line = Next_line(r.w);
    const bool digits = line.size() <= 9 &&
                        std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int value = digits && !line.empty() ? std::stoi(line) : 0;
    if (digits && std::find(accepted.begin(), accepted.end(), value) != accepted.end()) return value;
    r.e.out += "输入不合法，请重新输入。\n";
  }
}

std::string Lower_ascii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The file system is asked before the extension is compared, and only about
// lines that could be paths at all.
bool Is_source(Replay& r, const std::string& line) {
  if (line.size() <= 3 || line.size() > Fake_max_path || line.find('\0') != std::string::npos) return false;
  const bool exists = Exists(r.w, line);
  const auto dot = line.rfind('.');
  return exists && Lower_ascii(dot == std::string::npos ? line : line.substr(dot + 1)) == "cpp";
}

std::string Source(Replay& r) {
  r.e.out += CLS + "请输入 C++ 文件的完整路径：\n";
  for (;;) {
    const std::string line = Next_line(r.w);
    if (Is_source(r, line)) return line;
    r.e.out += "路径无效或文件不合法！请重新输入。\n";
  }
}

// A word the compiler cannot take for an option, naming the same file.
std::string Path_word(const std::string& p) { return p[0] == '-' ? "./" + p : p; }

// False, after "编译失败！", when the compile fails.
bool Build(Replay& r, const std::string& fpath, const std::string& epath) {
  r.e.out += "正在编译……\n";
  const std::string& com = r.e.com;
  r.e.calls.push_back({"/bin/sh", "-c", "exec \"$0\" " + r.e.options + " -g -o \"$1\" \"$2\"",
                       com.find('/') == std::string::npos ? "./" + com : Path_word(com),
                       Path_word(epath), Path_word(fpath)});
  if (Compile_in(r.w, epath) != 0) {
    r.e.out += "编译失败！\n\n";
    return false;
  }
  r.e.out += "编译成功！\n";
  return true;
}

// The compiler check and the decision to compile: the menu asks about an
// existing executable, the run-once way compiles one older than the source.
// False when the workflow ends here.
bool Compile_step(Replay& r, const std::string& fpath, const std::string& epath, bool ask) {
  if (!Exists(r.w, r.e.com)) {
    r.e.out += "编译器路径无效！请重新设置。\n\n";
    return false;
  }
  if (!Exists(r.w, epath)) {
    r.e.out += "未找到对应程序的 exe 文件，自动为你编译。\n";
  } else if (ask) {
    r.e.out += "是否需要编译？（0/1）\n";
    if (Answer(r, {0, 1}) == 0) {
      r.e.out += "跳过编译。\n";
      return true;
    }
  } else if ((Decide(r.w) & 1) != 0) {  // the fake platform's Is_newer
    r.e.out += "exe 文件比源文件旧，自动为你编译。\n";
  } else {
    r.e.out += "跳过编译。\n";
    return true;
  }
  return Build(r, fpath, epath);
}

bool Launch(Replay& r, const std::string& fpath, const std::string& epath) {
  const bool pauser = Exists(r.w, r.e.con);
  r.e.out += pauser ? "正在通过 ConsolePauser 启动程序……\n" : "ConsolePauser 路径无效。即将直接启动程序。\n";
  bool started = false;
  if (Exists(r.w, epath)) {
    r.e.calls.push_back({"start", pauser ? r.e.con : "", fpath, epath});
    started = Start_in(r.w);
  }
  r.e.out += started ? "启动成功！\n" : "启动失败！\n";
  return started;
}

void Launch_step(Replay& r, const std::string& fpath, const std::string& epath) {
  r.e.out += "\n是否需要运行？（0/1）\n";
  if (Answer(r, {0, 1}) == 0)
    r.e.out += "跳过运行。\n";
  else
    Launch(r, fpath, epath);
  r.e.out += "\n" + PAUSE;
}

void Run(Replay& r) {
  const std::string fpath = Source(r);
  const std::string epath = fpath.substr(0, fpath.size() - 4) + ".exe";
  r.e.out += "\n";
  if (Compile_step(r, fpath, epath, true))
    Launch_step(r, fpath, epath);
  else
    r.e.out += PAUSE;
}

void Edit(Replay& r, std::string& value, const std::string& label, const std::string& prompt,
          std::size_t bound) {
  r.e.out += CLS + label + Value_or_empty_mark(value) + "\n" + prompt + "\n";
  value = Next_line(r.w).substr(0, bound);
  r.e.out += "设置成功！\n\n" + PAUSE;
}

void Settings_loop(Replay& r) {
  for (;;) {
    r.e.out += CLS + std::string(43, ' ') + "Vorlix -- 设置\n" + RULE +
               "1. 修改编译器（g++.exe）路径\n2. 修改 ConsolePauser 路径\n3. 修改编译选项\n4. 程序信息\n5. 返回\n\n";
    switch (Answer(r, {1, 2, 3, 4, 5})) {
      case 1: Edit(r, r.e.com, "当前编译器路径：", "请输入新编译器路径：", Path_bound); break;
      case 2: Edit(r, r.e.con, "当前 ConsolePauser 路径：", "请输入新 ConsolePauser 路径：", Path_bound); break;
      case 3: Edit(r, r.e.options, "当前编译选项：", "请输入新编译选项：", Max_options_bytes); break;
      case 4:
        r.e.out += CLS + "作者：Vorlix 团队（https://example.org/vorlix）\n介绍：超轻量 Vorlix\n版本：Alpha 1.0\n"
                         "发布时间：2025/10/3\n\n" + PAUSE;
        break;
      default: return;
    }
  }
}

// Three lines; a missing one is empty, a carriage return before a line
// break belongs to the break, and each is cut at its bound.
void Load(Replay& r) {
  const auto file = r.w.files.find(Settings_name);
  if (file == r.w.files.end()) return;
  std::string* values[] = {&r.e.com, &r.e.con, &r.e.options};
  const std::size_t bounds[] = {Path_bound, Path_bound, Max_options_bytes};
  std::size_t start = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    std::string* v = values[i];
    if (start > file->second.size() || (start == file->second.size() && v != values[0])) break;
    std::size_t end = file->second.find('\n', start);
    if (end == std::string::npos) end = file->second.size();
    *v = file->second.substr(start, end - start);
    if (!v->empty() && v->back() == '\r') v->pop_back();
    v->resize(std::min(v->size(), bounds[i]));
    start = end + 1;
  }
}

// Where `vorlix ARG` finds its settings in this world: the working
// directory's file, else none, since a file in a folder above is never the
// user's alone here and the world has no config folder and no g++ on PATH.
// Each folder from the source's up is asked of the world as Vorlix asks it.
void Load_for(Replay& r, const std::string& arg) {
  if (Exists(r.w, Settings_name)) return Load(r);
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::absolute(std::filesystem::u8path(arg), ec).parent_path();
  if (!ec) dir = std::filesystem::weakly_canonical(dir, ec);
  for (bool more = !ec; more; dir = dir.parent_path()) {
    (void)Exists(r.w, (dir / Settings_name).u8string());
    more = dir.has_relative_path();
  }
}

// `vorlix ARG`: nothing on the screen but the workflow's messages, no
// question, no key wait; the usage and a refused path go to standard error.
void Run_once(Replay& r, const std::string& arg) {
  // The receiver, which cannot listen in a world without a network: its
  // message goes to standard error.
  if (arg == "--receive" || arg == "-r") {
    r.e.status = 1;
    return;
  }
  r.e.status = 2;
  if (!arg.empty() && arg[0] == '-') return;
  Load_for(r, arg);
  if (!Is_source(r, arg)) return;
  const std::string epath = arg.substr(0, arg.size() - 4) + ".exe";
  r.e.status = 1;
  if (!Compile_step(r, arg, epath, false)) return;
  r.e.out += "\n";
  if (Launch(r, arg, epath)) r.e.status = 0;
}

}  // namespace

Expected Model_dialogue(World w) {
  Replay r{std::move(w), {}};
  if (r.w.arguments.size() == 1) {
    Run_once(r, r.w.arguments[0]);
    return r.e;
  }
  Load(r);
  try {
    for (;;) {
      r.e.out += CLS + std::string(47, ' ') + "Vorlix\n" + RULE + "1. 运行代码\n2. 设置\n3. 保存并退出\n\n";
      const int op = Answer(r, {1, 2, 3});
      if (op == 3) break;
      if (op == 2) Settings_loop(r);
      if (op == 1) Run(r);
    }
    r.e.saved = true;
    r.e.status = 0;
    r.e.out += CLS + "将在 3s 内退出……\n";
  } catch (const End_of_input&) {
  }
  return r.e;
}
