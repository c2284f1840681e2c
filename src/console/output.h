// Paced ("typewriter") output and pauses.
#pragma once

#include <string>

// Whether Print types its text out: the menu's screens do; the forms for
// editors and scripts turn it off and write at once.
extern bool TYPED;

// Types `s` out one byte per millisecond (at once unless TYPED), then writes
// `nrow` line breaks.
void Print(std::string s, int nrow);

// Sleeps `a` seconds, to the microsecond; returns at once for 0 or less.
void Wait(double a);

// Writes `s` at once, without pacing: page frames and separating line breaks.
void Write(const std::string& s);
