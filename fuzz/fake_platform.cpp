// platform.h for the fuzzer: Vorlix in a World (fake_world.h) instead of an
// operating system. Nothing sleeps and nothing runs: each program Vorlix would
// start is recorded as the words it would get, and the world answers for it.
// Screen output is what the POSIX terminal gets, so that the dialogue can be
// compared byte for byte.
#include <cstdio>

#include "fake_platform.h"
#include "text/command_line.h"
#include "platform/platform.h"
#include "text/text_lines.h"

World WORLD;

namespace {

void Out(const std::string& s) { std::fwrite(s.data(), 1, s.size(), stdout); }

}  // namespace

void Console_init() {}

// The screen is standard output; standard error is no part of the dialogue.
void Write_text(Stream to, const std::string& text) {
  if (to == Stream::out) {
    Out(text);
    std::fflush(stdout);
  }
}

void Set_title(const std::string&) {}

void Clear_screen() { Out("\x1b[H\x1b[2J"); }

void Pause() { Out("请按任意键继续. . .\n"); }

bool Read_input_line(std::string& line, std::size_t keep, Line_kind) {
  line = Next_line(WORLD);
  if (line.size() > keep) line.resize(keep);
  return true;
}

std::size_t Max_path_bytes() { return Fake_max_path; }

bool Is_regular_file(const std::string& path) { return Exists(WORLD, path); }

// The dialogue never compares times; where asked, the world decides.
bool Is_newer(const std::string&, const std::string&) { return (Decide(WORLD) & 1) != 0; }

void Sleep_until(std::chrono::steady_clock::time_point) {}

int Compile(const std::string& com_path, const std::string& com_settings, const std::string& epath,
            const std::string& fpath, const std::string&) {
  WORLD.calls.push_back(Posix_compile_arguments(com_path, com_settings, epath, fpath));
  return Compile_in(WORLD, epath);
}

// The world has no cache folder, so the precompiled-header cache stays off
// and nothing runs in the background.
int Compile_quietly(const std::string&, const std::string&, const std::vector<std::string>&,
                    const std::string&) {
  return 1;
}

void Run_in_background(const std::vector<std::string>&, Background_runner) {}

std::string Cache_directory() { return ""; }

bool Make_private_directory(const std::string&) { return false; }

bool Is_private(const std::string&) { return false; }

bool Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath,
                   std::string& error) {
  WORLD.calls.push_back({"start", pauser, fpath, epath});
  const bool started = Start_in(WORLD);
  error = started ? "" : "无法启动 " + epath + "：not in this world";
  return started;
}

Program_run Run_and_wait(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> words = {"run", program};
  words.insert(words.end(), args.begin(), args.end());
  WORLD.calls.push_back(words);
  Program_run run;
  run.error = "not in this world";
  return run;
}

std::vector<std::string> Program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

Outcome Read_text_lines(const std::string& path, const std::vector<std::size_t>& keep,
                        std::vector<std::string>& lines) {
  const auto file = WORLD.files.find(path);
  lines = Cut_lines(file == WORLD.files.end() ? "" : file->second, keep);
  return {};
}

// No settings are found beyond the working directory, and no g++ on PATH.
std::string Config_directory() { return ""; }
std::string Program_on_path(const std::string&) { return ""; }
bool Only_user_can_change(const std::string&) { return false; }

bool Save_text_file(const std::string& path, const std::string& text, std::string&) {
  WORLD.files[path] = text;
  return true;
}
