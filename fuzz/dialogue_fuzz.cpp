// libFuzzer entry: runs Vorlix's whole dialogue, from main, in a World made of
// the input (fake_world.h), and holds what it did against the dialogue model:
// the screen byte for byte, every program run with each path one word of its
// own, the settings file after a save reading back as the values saved, and
// no file written otherwise. Any difference aborts, so that libFuzzer keeps
// the input that shows it.
#include <cstdint>
#include <cstdio>
#include <stdio_ext.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialogue_model.h"
#include "fake_platform.h"
#include "settings/settings.h"

// Vorlix's own main, compiled under this name for the fuzzer.
int Vorlix_main(int argc, char** argv);

namespace {

std::string SCREEN;

ssize_t Capture(void*, const char* buf, size_t size) {
  SCREEN.append(buf, size);
  return static_cast<ssize_t>(size);
}

std::string Shown(const std::string& s) {
  std::string out;
  char hex[8];
  for (unsigned char c : s) {
    if (c >= 0x20 && c != 0x7f && c != '\\') {  // UTF-8 text stays readable in the log
      out += static_cast<char>(c);
    } else {
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

[[noreturn]] void Fail(const std::string& what, const std::string& got, const std::string& expected) {
  std::size_t at = 0;
  while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
  const std::size_t from = at > 120 ? at - 120 : 0;
  std::fprintf(stderr, "\nPROPERTY BROKEN: %s (first difference at byte %zu)\n  got:      %s\n  expected: %s\n",
               what.c_str(), at, Shown(got.substr(from, 240)).c_str(),
               Shown(expected.substr(from, 240)).c_str());
  std::abort();
}

std::string Words(const std::vector<std::vector<std::string>>& calls) {
  std::string s;
  for (const auto& call : calls) {
    for (const auto& w : call) s += "[" + w + "]";
    s += "\n";
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // glibc lets stdout be set like any variable: the screen goes to SCREEN.
  stdout = fopencookie(nullptr, "w", {nullptr, Capture, nullptr, nullptr});
  setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  __fsetlocking(stdout, FSETLOCKING_BYCALLER);  // one thread: Print's byte-by-byte flushes need no lock
  SCREEN.reserve(1 << 20);  // kept across runs: clear() keeps the capacity
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const World start = Make_world(std::string(reinterpret_cast<const char*>(data), size));
  // The two options are answered before any dialogue; their texts are tested end to end.
  for (const auto& a : start.arguments)
    if (a == "--help" || a == "--version") return 0;
  WORLD = start;
  SCREEN.clear();
  int status = -1;
  try {
    std::vector<std::string> words = {"vorlix"};
    words.insert(words.end(), start.arguments.begin(), start.arguments.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    status = Vorlix_main(static_cast<int>(words.size()), argv.data());
  } catch (const End_of_input&) {
  }
  std::fflush(stdout);

  const Expected e = Model_dialogue(start);
  if (SCREEN != e.out) Fail("the screen", SCREEN, e.out);
  if (WORLD.calls != e.calls) Fail("the programs run", Words(WORLD.calls), Words(e.calls));
  if (status != e.status) Fail("the exit status", std::to_string(status), std::to_string(e.status));
  if (!e.saved) {
    if (WORLD.files != start.files) Fail("no save without choice 3", "written", "untouched");
    return 0;
  }
  const std::string text = e.com + "\n" + e.con + "\n" + e.options;
  const std::string& file = WORLD.files[Settings_name];
  if (file != text) Fail("the settings file", file, text);
  // Read back, it holds the values saved; a carriage return at the end of a
  // value is the one thing the format cannot keep, as a reader takes CR LF
  // for a line break.
  Load_settings_from(Settings_name);
  for (const auto& [got, saved] : {std::pair{COM_PATH, e.com}, {CON_PATH, e.con}, {COM_SETTINGS, e.options}}) {
    const bool cr = !saved.empty() && saved.back() == '\r';
    if (got != (cr ? saved.substr(0, saved.size() - 1) : saved)) Fail("the settings read back", got, saved);
  }
  return 0;
}
