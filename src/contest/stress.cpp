#include "contest/stress.h"

#include <chrono>
#include <cstdio>

#include "contest/judge.h"
#include "contest/report.h"
#include "contest/samples.h"
#include "platform/platform.h"
#include "run/run.h"
#include "console/output.h"
#include "settings/settings.h"
#include "text/printable.h"

namespace {

using Clock = std::chrono::steady_clock;

// How much of an input is shown when the solution is caught.
const std::size_t Shown_lines = 20, Shown_width = 100;

double Seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// Shows the one progress line, in place, at most ten times a second.
class Progress {
 public:
  explicit Progress(bool on) : on_(on) {}
  void Show(unsigned long long round, Clock::time_point start) {
    if (!on_ || Clock::now() - last_ < std::chrono::milliseconds(100)) return;
    last_ = Clock::now();
    const double seconds = Seconds_since(start);
    const double rate = seconds > 0 ? static_cast<double>(round) / seconds : 0;
    Write_text(Stream::out, "\r第 " + std::to_string(round) + " 轮，每秒 " + Fixed(rate) + " 轮\x1b[K");
    shown_ = true;
  }
  // Clears the line before anything else is written.
  void Clear() {
    if (shown_) Write_text(Stream::out, "\r\x1b[K");
    shown_ = false;
  }

 private:
  bool on_;
  bool shown_ = false;
  Clock::time_point last_{};
};

struct Program {
  std::string source;
  std::string executable;
  std::string name;
  Problem problem;
};

Program Program_of(const std::string& fpath, bool with_problem) {
  Program p{fpath, Executable_path(fpath), Source_name(fpath), Problem{}};
  if (with_problem) p.problem = Load_problem(fpath);
  return p;
}

// Says so when a helper program (the generator, the brute force) did not end
// well in the round `seed`: any failure or limit is its fault.
bool Helper_failed(const Sample_run& result, const std::string& role, const std::string& seed,
                   Progress& progress) {
  if (result.verdict == Verdict::ran) return false;
  progress.Clear();
  std::string text = "第 " + seed + " 轮：" + role + "出错：" + Verdict_words(result);
  if (result.verdict != Verdict::not_started) text += "（" + Figures(result.run) + "）";
  Write_text(Stream::out, text + "\n" + First_lines(result.run.err, 5, 120, "    "));
  return true;
}

// Saves the round's input and the brute force's answer as the solution's
// next sample; the answer first, so that an input never stands without it.
std::string Save_sample(const std::string& fpath, const std::string& input, const std::string& answer) {
  const std::string stem = Source_folder(fpath) + Source_name(fpath) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string k = std::to_string(Next_sample_number(fpath));
    bool taken = false;
    const Outcome ans = Create_file(stem + k + ".ans", answer, taken);
    if (!ans) {
      if (taken && attempt < 99) continue;  // made meanwhile: the next number
      return "无法保存样例：" + ans.failure().system_text;
    }
    const Outcome in = Create_file(stem + k + ".in", input, taken);
    if (!in) return "无法保存样例：" + in.failure().system_text;
    return "已保存为样例 " + Printable(stem + k) + ".in 与 .ans（K = " + k + "）。";
  }
  return "无法保存样例。";
}

}  // namespace

int Stress_main(const std::vector<std::string>& arguments) {
  Contest_options options;
  std::string error;
  if (!Parse_contest_options({arguments.begin() + 2, arguments.end()}, true, options, error)) {
    Write_text(Stream::err, "vorlix --stress：" + error + "\n" + Contest_usage);
    return 2;
  }
  for (const auto& path : options.paths)
    if (!Is_valid_source(path)) {
      Write_text(Stream::err, "路径无效或文件不合法！" + Printable(path) + "\n");
      return 2;
    }
  TYPED = false;  // the compile's messages too are written at once
  Load_settings_for(options.paths[0]);
  const char* const roles[] = {"解答", "暴力程序", "数据生成器"};
  for (int i = 0; i < 3; ++i) {
    Write_text(Stream::out, std::string(roles[i]) + " " + Printable(options.paths[i]) + "：\n");
    if (!Build_when_needed(options.paths[i])) return 1;
  }
  Write_text(Stream::out, "\n");

  const Program solution = Program_of(options.paths[0], true);
  const Program brute = Program_of(options.paths[1], false);
  const Program generator = Program_of(options.paths[2], false);
  const Run_limits limits = Limits_for(solution.problem, options);
  Run_limits helper_limits = limits;
  helper_limits.time_ms = options.brute_time_limit_ms.value_or(10 * limits.time_ms);
  // The brute force and the generator read and write the standard streams.
  const Problem plain;
  const Comparison_mode mode = options.mode;

  Catch_interrupts();
  Progress progress(Is_terminal(Stream::out));
  const auto start = Clock::now();
  unsigned long long done = 0;
  auto summary = [&](const std::string& how) {
    progress.Clear();
    Write_text(Stream::out, how + std::to_string(done) + " 轮，用时 " + Fixed(Seconds_since(start)) + " 秒。\n");
  };
  auto interrupted = [&]() {
    summary("\n已中断：完成 ");
    return Interrupted_exit_status();
  };
  for (unsigned long long round = 1; round <= options.rounds; ++round) {
    if (options.time_budget_seconds && Seconds_since(start) >= *options.time_budget_seconds) break;
    if (Interrupted()) return interrupted();
    const std::string seed = std::to_string(round);
    const Sample_run generated = Run_on_input(generator.executable, generator.name, plain, helper_limits, "",
                                              nullptr, mode, {seed});
    if (Interrupted()) return interrupted();
    if (Helper_failed(generated, "数据生成器", seed, progress)) return 1;
    const std::string& input = generated.answer;
    const Sample_run brute_run =
        Run_on_input(brute.executable, brute.name, plain, helper_limits, input, nullptr, mode);
    if (Interrupted()) return interrupted();
    if (Helper_failed(brute_run, "暴力程序", seed, progress)) return 1;
    const Sample_run solved = Run_on_input(solution.executable, solution.name, solution.problem, limits,
                                           input, &brute_run.answer, mode);
    if (solved.verdict == Verdict::interrupted || Interrupted()) return interrupted();
    done = round;
    if (solved.verdict != Verdict::accepted) {
      progress.Clear();
      std::string text = "第 " + seed + " 轮：解答 " + Verdict_words(solved) + "（" + Figures(solved.run) + "）\n";
      text += "  输入：\n" + First_lines(input, Shown_lines, Shown_width, "    ");
      if (solved.verdict == Verdict::wrong) text += Difference_lines(solved.difference, "  ");
      if (!solved.run.err.empty()) text += "  标准错误：\n" + First_lines(solved.run.err, 5, 120, "    ");
      text += Save_sample(solution.source, input, brute_run.answer) + "\n";
      Write_text(Stream::out, text);
      return 1;
    }
    progress.Show(round, start);
  }
  summary("对拍完成，未发现差异：");
  return 0;
}
