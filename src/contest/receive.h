// vorlix --receive [DIR] [--port=N] (short -r): takes problems, samples and
// limits from the browser extension's JSON POST on 127.0.0.1 and writes
// each beside its source in DIR (contest.md's files: NAME.K.in, NAME.K.ans,
// NAME.problem.json, NAME.cpp from a template when there is none), until
// Ctrl-C.
#pragma once

#include <string>
#include <vector>

// Vorlix's own port, which no tool the extension knows listens on.
constexpr unsigned Receive_port = 24981;

// True for "--receive" and "-r", the first argument that selects this form.
bool Is_receive_option(const std::string& argument);

// Runs `vorlix --receive ...` (`arguments[0]` being the program): 130 after
// Ctrl-C, 1 when it cannot listen (a port in use said so), 2 for a usage
// error or a folder that cannot be made.
int Receive_command(const std::vector<std::string>& arguments);
