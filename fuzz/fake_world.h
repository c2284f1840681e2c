// A world for the dialogue to run in, made from the fuzzer's bytes: the lines
// the user types, a small file system in memory, and the answers the outside
// programs give. The platform double (fake_platform.cpp) runs Vorlix in one;
// the dialogue model (dialogue_model.cpp) replays the same one to say what
// Vorlix should have done.
//
// Input: the first line holds decision bytes, taken one at a time whenever the
// world must decide something (see Decide). When it begins with "#", a
// settings file exists, made of the next three lines. When it begins (after
// any "#") with "@", the line after those is Vorlix's one argument. The
// remaining lines are what the user types.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

struct World {
  std::vector<std::string> lines;  // typed lines, without their line breaks
  std::size_t next_line = 0;
  std::string decisions;
  std::size_t next_decision = 0;
  std::map<std::string, bool> regular;       // paths asked about, and the answer that stands
  std::map<std::string, std::string> files;  // files with contents: the settings file
  std::vector<std::vector<std::string>> calls;  // the programs run, as their words
  std::vector<std::string> arguments;  // Vorlix's, after its name
};

// The user has nothing more to type. Thrown where the real line reader would
// end the process; the fuzz entry point catches it.
struct End_of_input {};

const std::string Settings_name = "vorlix_data.sg";
const std::size_t Fake_max_path = 64;

World Make_world(const std::string& input);

// The next line typed, or End_of_input.
std::string Next_line(World& w);

// The next decision byte; 0 once they are used up.
unsigned char Decide(World& w);

// Whether `path` names a regular file. Asked the first time, the world
// decides (an odd decision byte: it does); the answer then stands.
bool Exists(World& w, const std::string& path);

// A compile: the decision's remainder by 4 is 0 for success with an
// executable, 1 for success without one, 2 for a failure, 3 for a compiler
// killed by a signal. Returns the exit status.
int Compile_in(World& w, const std::string& epath);

// A start: an odd decision byte starts the program.
bool Start_in(World& w);
