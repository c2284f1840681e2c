#include "contest/judge.h"

#include "contest/report.h"
#include "contest/samples.h"
#include "platform/platform.h"
#include "run/run.h"
#include "console/output.h"
#include "settings/settings.h"
#include "text/printable.h"

const char* const Contest_usage =
    "用法：vorlix --judge 源文件.cpp [--time-limit=毫秒] [--memory-limit=MiB] [--exact] [--eps=误差]\n"
    "      vorlix --stress 解答.cpp 暴力.cpp 生成器.cpp [--rounds=轮数] [--time-budget=秒]\n"
    "             [--brute-time-limit=毫秒] [--time-limit=毫秒] [--memory-limit=MiB] [--exact] [--eps=误差]\n";

namespace {

// What a sample's stored file holds; an answer larger than any program may
// write is never read whole.
const std::size_t Max_sample_bytes = 256u << 20;

}  // namespace

Run_limits Limits_for(const Problem& problem, const Contest_options& options) {
  Run_limits limits;
  limits.time_ms = options.time_limit_ms.value_or(problem.time_limit_ms);
  limits.memory_mib = options.memory_limit_mib.value_or(problem.memory_limit_mib);
  return limits;
}

int Judge_main(const std::vector<std::string>& arguments) {
  Contest_options options;
  std::string error;
  if (!Parse_contest_options({arguments.begin() + 2, arguments.end()}, false, options, error)) {
    Write_text(Stream::err, "vorlix --judge：" + error + "\n" + Contest_usage);
    return 2;
  }
  const std::string& fpath = options.paths[0];
  if (!Is_valid_source(fpath)) {
    Write_text(Stream::err, "路径无效或文件不合法！\n");
    return 2;
  }
  const std::vector<Sample> samples = Find_samples(fpath);
  if (samples.empty()) {
    const std::string stem = Source_folder(fpath) + Source_name(fpath);
    Write_text(Stream::err, "没有找到样例：" + Printable(stem) + ".in、" + Printable(stem) +
                                ".1.in、" + Printable(stem) + ".2.in…… 都不存在。\n");
    return 2;
  }
  TYPED = false;  // the compile's messages too are written at once
  Load_settings_for(fpath);
  if (!Build_when_needed(fpath)) return 1;
  Write_text(Stream::out, "\n");

  const Problem problem = Load_problem(fpath);
  const Run_limits limits = Limits_for(problem, options);
  const std::string executable = Executable_path(fpath);
  const bool colour = Is_terminal(Stream::out);
  Catch_interrupts();
  std::size_t accepted = 0, failed = 0, unjudged = 0;
  for (const Sample& sample : samples) {
    std::string input, expected;
    const bool has_answer = !sample.ans_path.empty();
    if (!Read_file(sample.in_path, input, Max_sample_bytes) ||
        (has_answer && !Read_file(sample.ans_path, expected, Max_sample_bytes))) {
      Write_text(Stream::out, Printable(sample.label) + "：无法读取样例文件\n");
      ++failed;
      continue;
    }
    const Sample_run result = Run_on_input(executable, Source_name(fpath), problem, limits, input,
                                           has_answer ? &expected : nullptr, options.mode);
    if (result.verdict == Verdict::interrupted || Interrupted()) {
      Write_text(Stream::out, "\n已中断。\n");
      return Interrupted_exit_status();
    }
    const bool good = result.verdict == Verdict::accepted || result.verdict == Verdict::ran;
    std::string text = Printable(sample.label) + "：" +
                       Coloured(Verdict_words(result), good, colour && result.verdict != Verdict::ran);
    if (result.verdict != Verdict::not_started) text += "（" + Figures(result.run) + "）";
    text += "\n";
    if (result.verdict == Verdict::wrong) text += Difference_lines(result.difference, "  ");
    if (result.verdict == Verdict::ran) text += "  输出：\n" + First_lines(result.answer, 10, 80, "    ");
    if (!good && !result.run.err.empty())
      text += "  标准错误：\n" + First_lines(result.run.err, 5, 120, "    ");
    Write_text(Stream::out, text);
    if (result.verdict == Verdict::accepted) ++accepted;
    else if (result.verdict == Verdict::ran) ++unjudged;
    else ++failed;
  }
  std::string summary = "共 " + std::to_string(samples.size()) + " 个样例：" +
                        std::to_string(accepted) + " 个通过，" + std::to_string(failed) + " 个未通过";
  if (unjudged > 0) summary += "，" + std::to_string(unjudged) + " 个没有答案";
  summary += "。\n";
  Write_text(Stream::out, Coloured(summary, failed == 0, colour));
  return failed == 0 ? 0 : 1;
}
