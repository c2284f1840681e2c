#pragma once

#include <string>

// 16 hex digits of FNV-1a (64 bits) of `bytes`: the same in every build and
// on every system, so that a name made from it is found again by the next
// Vorlix. Not for anything that must resist a chosen collision.
std::string Stable_hash(const std::string& bytes);
