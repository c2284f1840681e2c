#include "contest/receive_files.h"

#include "contest/problem_name.h"
#include "platform/platform.h"
#include "text/printable.h"

namespace {

constexpr std::size_t Max_template_bytes = 1024 * 1024;

// A sample file as the receiver finds it before writing.
enum class Found { missing, same, ours, users };

Found Look_at(const std::string& path, const std::string& wanted, const std::string* written) {
  if (!Path_exists(path)) return Found::missing;
  std::string bytes;
  if (!Read_file(path, bytes, Max_problem_bytes).ok()) return Found::users;
  if (bytes == wanted) return Found::same;
  return written != nullptr && bytes == *written ? Found::ours : Found::users;
}

void Put(const std::string& path, const std::string& bytes, Found found, Written_problem& w) {
  bool exists = false;
  Outcome o = found == Found::ours ? Replace_file(path, bytes) : Create_file(path, bytes, exists);
  if (!o.ok() && !exists) w.failures += "无法写入 " + Printable(path) + "：" + o.failure().system_text + "\n";
}

// The source a new problem starts from: template.cpp in its folder, else the
// one in the user's config folder, else a short skeleton that reads the
// problem's files where it names them.
std::string Starting_source(const std::string& dir, const Received_problem& problem, std::string& from) {
  std::string bytes;
  from = "template.cpp";
  if (Read_file(Path_in(dir, "template.cpp"), bytes, Max_template_bytes).ok()) return bytes;
  const std::string config = Config_directory();
  from = Path_in(config, "template.cpp");
  if (!config.empty() && Read_file(from, bytes, Max_template_bytes).ok()) return bytes;
  from = "";
  std::string files;
  if (problem.input.type == "file") files += "    freopen(\"" + problem.input.file + "\", \"r\", stdin);\n";
  if (problem.output.type == "file") files += "    freopen(\"" + problem.output.file + "\", \"w\", stdout);\n";
  return "#include <bits/stdc++.h>\nusing namespace std;\n\nint main() {\n" + files +
         "    ios::sync_with_stdio(false);\n    cin.tie(nullptr);\n\n    return 0;\n}\n";
}

}  // namespace

std::string Path_in(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  const char last = dir.back();
  return last == '/' || last == '\\' ? dir + name : dir + "/" + name;
}

Written_problem Write_problem(const std::string& dir, const Received_problem& problem, const std::string& body) {
  Written_problem w;
  w.name = Problem_file_name(problem.url, problem.name);
  const std::string json_path = Path_in(dir, w.name + ".problem.json");
  std::string old_body;
  std::vector<Received_sample> written;
  if (Read_file(json_path, old_body, Max_problem_bytes).ok()) written = Samples_of(old_body);

  // The samples first, the JSON that records them last: a write cut short
  // leaves samples that a later receipt still knows for its own.
  std::string kept;
  for (std::size_t k = 0; k < problem.tests.size(); ++k) {
    const std::string stem = Path_in(dir, w.name + "." + std::to_string(k + 1));
    const Received_sample* old = k < written.size() ? &written[k] : nullptr;
    const Found in = Look_at(stem + ".in", problem.tests[k].input, old ? &old->input : nullptr);
    const Found ans = Look_at(stem + ".ans", problem.tests[k].output, old ? &old->output : nullptr);
    // A pair stays together: one file the user changed keeps both.
    if (in == Found::users || ans == Found::users) {
      kept += (kept.empty() ? "" : "、") + std::to_string(k + 1);
      continue;
    }
    if (in != Found::same) Put(stem + ".in", problem.tests[k].input, in, w);
    if (ans != Found::same) Put(stem + ".ans", problem.tests[k].output, ans, w);
  }
  if (!kept.empty()) w.notes += "；样例 " + kept + " 已被改动过，保留原样";
  if (Outcome o = Replace_file(json_path, body); !o.ok())
    w.failures += "无法写入 " + Printable(json_path) + "：" + o.failure().system_text + "\n";

  const std::string source = w.name + ".cpp";
  const std::string source_path = Path_in(dir, source);
  bool exists = Path_exists(source_path);
  if (!exists) {
    std::string from;
    const Outcome o = Create_file(source_path, Starting_source(dir, problem, from), exists);
    if (o.ok())
      w.notes += "；新建 " + Printable(source) + (from.empty() ? "" : "（模板 " + Printable(from) + "）");
    else if (!exists)
      w.failures += "无法写入 " + Printable(source_path) + "：" + o.failure().system_text + "\n";
  }
  if (exists) w.notes += "；" + Printable(source) + " 已存在，未改动";
  return w;
}
