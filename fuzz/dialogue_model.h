// What Vorlix should do in a World, worked out on its own from the dialogue's
// rules, for the fuzzer to hold the real run against.
#pragma once

#include <string>
#include <vector>

#include "fake_world.h"

struct Expected {
  std::string out;                              // the screen, byte for byte
  std::vector<std::vector<std::string>> calls;  // the programs run, as their words
  bool saved = false;                           // left through "3. 保存并退出"
  std::string com, con, options;                // the settings at that moment
  int status = -1;                              // what main returns; -1: it never does
};

// Replays `w` from its start: its lines, decisions and files.
Expected Model_dialogue(World w);
