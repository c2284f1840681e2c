#include "contest/report.h"

#include <cstdio>
#include <vector>

#include "text/printable.h"

namespace {

const std::size_t Line_width = 80;

std::string Fixed(double value, const char* format) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string Verdict_code(Verdict verdict) {
  switch (verdict) {
    case Verdict::accepted: return "AC";
    case Verdict::wrong: return "WA";
    case Verdict::time: return "TLE";
    case Verdict::memory: return "MLE";
    case Verdict::runtime: return "RE";
    case Verdict::output: return "OLE";
    default: return "";
  }
}

std::string Verdict_words(const Sample_run& result) {
  switch (result.verdict) {
    case Verdict::accepted: return "AC 通过";
    case Verdict::wrong: return "WA 答案错误";
    case Verdict::time: return "TLE 超时";
    case Verdict::memory: return "MLE 超内存";
    case Verdict::runtime: return "RE 运行错误，返回值 " + result.run.status_text;
    case Verdict::output: return "OLE 输出超限";
    case Verdict::ran: return "运行完毕（没有 .ans 文件，不判定）";
    case Verdict::interrupted: return "已中断";
    case Verdict::not_started: break;
  }
  return "无法运行：" + result.failure.system_text;
}

std::string Figures(const Limited_run& run) {
  std::string text = "用时 " + Fixed(run.wall_seconds, "%.3f") + " 秒";
  if (run.cpu_seconds) text += "，CPU " + Fixed(*run.cpu_seconds, "%.3f") + " 秒";
  if (run.peak_mib) text += "，内存 " + Fixed(*run.peak_mib, "%.1f") + " MiB";
  return text;
}

std::string Difference_lines(const Difference& difference, const std::string& indent) {
  const std::string unit = difference.by_token ? "个记号" : "行";
  auto side = [&](const std::string& text, bool ended) {
    return ended ? std::string("（已结束）") : Printable(Cut_text(text, Line_width));
  };
  return indent + "第 " + std::to_string(difference.where) + " " + unit + "不同：\n" + indent +
         "  期望：" + side(difference.expected, difference.expected_ended) + "\n" + indent +
         "  实际：" + side(difference.actual, difference.actual_ended) + "\n";
}

std::string First_lines(const std::string& text, std::size_t lines, std::size_t width,
                        const std::string& indent) {
  std::string shown;
  std::size_t start = 0, count = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (count == lines) {
      shown += indent + "……\n";
      break;
    }
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    shown += indent + Printable(Cut_text(line, width)) + "\n";
    ++count;
    start = end + 1;
  }
  return shown;
}

std::string Coloured(const std::string& text, bool accepted, bool colour) {
  if (!colour) return text;
  return (accepted ? "\x1b[32m" : "\x1b[31m") + text + "\x1b[0m";
}
