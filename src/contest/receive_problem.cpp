#include "contest/receive_problem.h"

#include <nlohmann/json.hpp>

#include "contest/problem_name.h"
#include "text/printable.h"

using nlohmann::json;

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool Starts_with(const std::string& s, const std::string& start) { return s.compare(0, start.size(), start) == 0; }

bool Is_extension_origin(const std::string& origin) {
  const std::string o = Lower(origin);
  return Starts_with(o, "chrome-extension://") || Starts_with(o, "moz-extension://");
}

// The content types an HTML form can send to any address without asking it
// first: a web page's form could post them here.
bool Is_form_type(const std::string& content_type) {
  const std::string type = Lower(content_type.substr(0, content_type.find(';')));
  const auto first = type.find_first_not_of(" \t");
  const std::string bare = first == std::string::npos ? "" : type.substr(first, type.find_last_not_of(" \t") - first + 1);
  return bare == "text/plain" || bare == "application/x-www-form-urlencoded" || bare == "multipart/form-data";
}

// Nesting deeper than 64 arrays and objects is no problem's, and is refused
// before the parser builds it.
bool Too_deep(const std::string& body) {
  int depth = 0;
  bool in_string = false, escaped = false;
  for (const char c : body) {
    if (in_string) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > 64) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

// A field that must be a string when it is there: false, with why, for any
// other type; `value` stays as it was when the field is missing.
bool String_field(const json& object, const char* key, std::string& value, std::string& why) {
  const auto it = object.find(key);
  if (it == object.end()) return true;
  if (!it->is_string()) {
    why = std::string("字段 ") + key + " 不是字符串";
    return false;
  }
  value = it->get<std::string>();
  return true;
}

bool Limit_field(const json& object, const char* key, double least, double most, const char* what,
                 std::optional<double>& value, std::string& why) {
  const auto it = object.find(key);
  if (it == object.end()) return true;
  if (!it->is_number() || it->get<double>() < least || it->get<double>() > most) {
    why = std::string(what) + "（" + key + "）不是 " + std::to_string(static_cast<long>(least)) + " 到 " +
          std::to_string(static_cast<long>(most)) + " 之间的数";
    return false;
  }
  value = it->get<double>();
  return true;
}

// `input` or `output`: {"type": "stdin"}, {"type": "stdout"}, or
// {"type": "file", "fileName": NAME} with NAME a plain file name, which a
// judge will make in its own folder.
bool Stream_field(const json& object, const char* key, Stream_kind& kind, std::string& why) {
  const auto it = object.find(key);
  if (it == object.end()) return true;
  if (!it->is_object()) {
    why = std::string("字段 ") + key + " 不是对象";
    return false;
  }
  if (!String_field(*it, "type", kind.type, why)) return false;
  if (kind.type != "file") return true;
  const auto name = it->find("fileName");
  if (name == it->end() || !name->is_string() || !Is_plain_file_name(name->get<std::string>())) {
    why = std::string("字段 ") + key + " 的 fileName 不是合法的文件名";
    return false;
  }
  kind.file = name->get<std::string>();
  return true;
}

bool Tests_field(const json& object, std::vector<Received_sample>& tests, std::string& why) {
  const auto it = object.find("tests");
  if (it == object.end() || !it->is_array()) {
    why = "缺少样例数组 tests";
    return false;
  }
  if (it->size() > Max_samples) {
    why = "样例多于 " + std::to_string(Max_samples) + " 组";
    return false;
  }
  for (const auto& test : *it) {
    const bool ok = test.is_object() && test.contains("input") && test["input"].is_string() &&
                    test.contains("output") && test["output"].is_string();
    if (!ok) {
      why = "tests 第 " + std::to_string(tests.size() + 1) + " 项不是含 input 和 output 字符串的对象";
      return false;
    }
    tests.push_back({test["input"].get<std::string>(), test["output"].get<std::string>()});
  }
  return true;
}

bool Batch_field(const json& object, Received_problem& problem, std::string& why) {
  const auto it = object.find("batch");
  if (it == object.end()) return true;
  const bool ok = it->is_object() && it->contains("id") && (*it)["id"].is_string() && it->contains("size") &&
                  (*it)["size"].is_number_integer() && (*it)["size"].get<long long>() >= 0;
  if (!ok) {
    why = "字段 batch 不是含 id 和 size 的对象";
    return false;
  }
  problem.batch_id = (*it)["id"].get<std::string>();
  problem.batch_size = (*it)["size"].get<long long>();
  return true;
}

}  // namespace

std::string Request_refusal(const Http_request& request, unsigned port, int& status) {
  status = 403;
  if (request.method != "POST") {
    status = 405;
    return "只接受 POST 请求，收到的是 " + Printable(request.method);
  }
  if (request.target != "/") {
    status = 404;
    return "只接受发往 / 的请求，收到的是 " + Printable(request.target.substr(0, 200));
  }
  const auto hosts = Header_values(request, "host");
  const std::string p = ":" + std::to_string(port);
  if (hosts.size() != 1 || (Lower(hosts[0]) != "localhost" + p && hosts[0] != "127.0.0.1" + p))
    return "Host 不是 localhost" + p + " 或 127.0.0.1" + p + "（" +
           (hosts.empty() ? std::string("没有 Host") : Printable(hosts[0].substr(0, 200))) +
           "），可能是网页借 DNS 重绑定发来的";
  const auto origins = Header_values(request, "origin");
  if (origins.size() > 1 || (origins.size() == 1 && !Is_extension_origin(origins[0])))
    return "来源 " + Printable(origins[0].substr(0, 200)) + " 不是浏览器扩展，网页不能发来题目";
  for (const auto& type : Header_values(request, "content-type"))
    if (Is_form_type(type) && origins.empty())
      return "内容类型 " + Printable(type.substr(0, 200)) + " 是网页表单能发送的，且请求不是浏览器扩展发来的";
  status = 0;
  return "";
}

bool Parse_problem(const std::string& body, Received_problem& problem, std::string& why) {
  problem = Received_problem{};
  problem.output.type = "stdout";
  if (Too_deep(body)) {
    why = "JSON 嵌套过深";
    return false;
  }
  const json root = json::parse(body, nullptr, false);
  if (root.is_discarded()) {
    why = "不是合法的 JSON";
    return false;
  }
  if (!root.is_object()) {
    why = "JSON 不是对象";
    return false;
  }
  if (!root.contains("name")) {
    why = "缺少字段 name";
    return false;
  }
  if (root.contains("interactive") && !root["interactive"].is_boolean()) {
    why = "字段 interactive 不是 true 或 false";
    return false;
  }
  std::string test_type;
  return String_field(root, "name", problem.name, why) && String_field(root, "group", problem.group, why) &&
         String_field(root, "url", problem.url, why) && String_field(root, "testType", test_type, why) &&
         Limit_field(root, "timeLimit", 1, 60000, "时间限制", problem.time_limit_ms, why) &&
         Limit_field(root, "memoryLimit", 1, 65536, "内存限制", problem.memory_limit_mb, why) &&
         Stream_field(root, "input", problem.input, why) && Stream_field(root, "output", problem.output, why) &&
         Tests_field(root, problem.tests, why) && Batch_field(root, problem, why);
}

std::vector<Received_sample> Samples_of(const std::string& body) {
  Received_problem problem;
  std::string why;
  if (!Parse_problem(body, problem, why)) return {};
  return problem.tests;
}
