// Paced ("typewriter") output and pauses.
#pragma once

#include <string>

// Types `s` out one byte per millisecond, then writes `nrow` line breaks.
void Print(std::string s, int nrow);

// Sleeps `a` seconds, to the microsecond; returns at once for 0 or less.
void Wait(double a);

// Writes `s` at once, without pacing: page frames and separating line breaks.
void Write(const std::string& s);
