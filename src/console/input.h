// Reading the user's lines and numbered answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "platform/platform.h"

// Reads one line, without its line break, keeping at most `keep` bytes of it.
// Ends the program with status 1 when standard input is exhausted: no further
// answer can ever arrive, and nothing is saved.
std::string Read_line(std::size_t keep, Line_kind kind);

// A plain decimal answer: at most nine ASCII digits, leading zeros allowed,
// nothing else; the empty line is 0. Returns false for anything else.
bool Parse_answer(const std::string& s, std::int32_t& value);

// Reads lines until one is an answer in `a`, complaining about each other line.
std::int32_t Read_pint(std::unordered_set<std::int32_t> a);
