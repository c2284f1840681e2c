#include "contest/samples.h"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>

#include "platform/platform.h"

std::string Source_folder(const std::string& fpath) {
  const auto slash = fpath.find_last_of("/\\");
  return slash == std::string::npos ? "" : fpath.substr(0, slash + 1);
}

std::string Source_name(const std::string& fpath) {
  const std::string file = fpath.substr(Source_folder(fpath).size());
  return file.substr(0, file.size() - 4);  // ".cpp" in any case
}

unsigned long long Sample_number(const std::string& file, const std::string& name) {
  const std::string head = name + ".";
  if (file.compare(0, head.size(), head) != 0) return 0;
  std::string rest = file.substr(head.size());
  for (const std::string tail : {".in", ".ans"})
    if (rest.size() > tail.size() && rest.compare(rest.size() - tail.size(), tail.size(), tail) == 0) {
      const std::string digits = rest.substr(0, rest.size() - tail.size());
      if (digits.empty() || digits.size() > 18 || digits[0] == '0') return 0;
      for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
      return std::stoull(digits);
    }
  return 0;
}

namespace {

std::vector<std::string> Folder_names(const std::string& fpath) {
  const std::string folder = Source_folder(fpath);
  std::vector<std::string> names;
  if (!List_directory(folder.empty() ? "." : folder, names)) names.clear();
  return names;
}

}  // namespace

std::vector<Sample> Find_samples(const std::string& fpath) {
  const std::string folder = Source_folder(fpath), name = Source_name(fpath);
  const std::vector<std::string> names = Folder_names(fpath);
  auto sample = [&](const std::string& stem) {
    Sample s;
    s.label = stem + ".in";
    s.in_path = folder + s.label;
    if (Is_regular_file(folder + stem + ".ans")) s.ans_path = folder + stem + ".ans";
    return s;
  };
  std::vector<Sample> samples;
  if (Is_regular_file(folder + name + ".in")) samples.push_back(sample(name));
  std::vector<unsigned long long> numbers;
  for (const auto& file : names) {
    const unsigned long long k = Sample_number(file, name);
    if (k != 0 && file.size() > 3 && file.compare(file.size() - 3, 3, ".in") == 0 &&
        Is_regular_file(folder + file))
      numbers.push_back(k);
  }
  std::sort(numbers.begin(), numbers.end());
  for (unsigned long long k : numbers) samples.push_back(sample(name + "." + std::to_string(k)));
  return samples;
}

unsigned long long Next_sample_number(const std::string& fpath) {
  unsigned long long highest = 0;
  for (const auto& file : Folder_names(fpath)) highest = std::max(highest, Sample_number(file, Source_name(fpath)));
  return highest + 1;
}

Problem Load_problem(const std::string& fpath) {
  Problem problem;
  std::string bytes;
  const std::string path = Source_folder(fpath) + Source_name(fpath) + ".problem.json";
  if (!Is_regular_file(path) || !Read_file(path, bytes, 16u << 20)) return problem;
  const auto json = nlohmann::json::parse(bytes, nullptr, false);
  if (!json.is_object()) return problem;
  auto positive = [&](const char* key, double& into) {
    const auto it = json.find(key);
    if (it != json.end() && it->is_number() && it->get<double>() > 0) into = it->get<double>();
  };
  positive("timeLimit", problem.time_limit_ms);
  positive("memoryLimit", problem.memory_limit_mib);
  auto file = [&](const char* key, std::string& into) {
    const auto it = json.find(key);
    if (it == json.end() || !it->is_object()) return;
    const auto type = it->find("type"), name = it->find("fileName");
    if (type != it->end() && *type == "file" && name != it->end() && name->is_string()) {
      const std::string file_name = name->get<std::string>();
      // A plain name in the run's own folder, nothing that leads out of it.
      if (!file_name.empty() && file_name.find_first_of("/\\:") == std::string::npos &&
          file_name != "." && file_name != "..")
        into = file_name;
    }
  };
  file("input", problem.input_file);
  file("output", problem.output_file);
  return problem;
}
