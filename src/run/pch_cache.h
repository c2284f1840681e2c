// A cache of precompiled <bits/stdc++.h> headers, one entry for each compiler
// (its path, size and modification time) and set of options, at
// CACHE/pch/<key>/bits/stdc++.h.gch, where CACHE is Cache_directory(). A
// compile whose source begins with that include finds the entry through
// CPATH; its words stay as they are. A missing entry is made in the
// background after the compile. Anything wrong with the cache only costs the
// speed-up: it never fails a compile and never prints.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// The compile step's compile: Compile with the process-wide COM_PATH and
// COM_SETTINGS, through the cache unless VORLIX_PCH is 0. Returns how the
// compiler's run ended.
Program_run Compile_with_cache(const std::string& fpath, const std::string& epath);

// The build that Compile_with_cache leaves behind it, from its words {root,
// key, compiler path, options}: old temporaries and entries tidied away, the
// entry of the key built, and tidied again. Does nothing unless the root is
// this user's cache's (as Pch_root names it) and the cache is on. Never
// throws, never prints.
void Run_cache_job(const std::vector<std::string>& job);

// True when the first #include of `head` (the start of a source) is
// <bits/stdc++.h> and only comments, blank lines and preprocessor lines come
// before it.
bool Starts_with_stdcpp_include(const std::string& head);

// 16 hexadecimal digits for the compiler at `com_path` of `size` bytes,
// modified at `mtime` (any fixed count), and the options `com_settings`.
std::string Pch_key(const std::string& com_path, std::uintmax_t size, long long mtime,
                    const std::string& com_settings);

// The cache's pch folder under `cache` (Cache_directory()), made where
// missing; "" when the cache is off (VORLIX_PCH=0) or it is not the user's own.
std::string Pch_root(const std::string& cache);

// The entry of `key` as a header folder for CPATH, when it is whole and the
// user's own; "" otherwise. An entry whose size is not the one recorded is
// removed.
std::string Usable_entry(const std::string& root, const std::string& key);

// Makes the entry of `key` and waits for it: the header precompiled under a
// temporary name, checked by a compile that uses it, its size recorded, and
// renamed into place. Returns true when the entry is in place.
bool Build_entry(const std::string& root, const std::string& key, const std::string& com_path,
                 const std::string& com_settings);

// True when a build of `key` younger than `age` is under way.
bool Build_under_way(const std::string& root, const std::string& key, std::chrono::seconds age);

// Removes the temporaries of builds older than `age` (a killed build's), and
// every entry but the `keep` most recently used.
void Tidy_cache(const std::string& root, std::chrono::seconds age, std::size_t keep);

// How long a build may take before its temporary counts as left behind (a
// precompile takes seconds; a killed build holds its key back this long), and
// how many entries stay.
constexpr std::chrono::seconds Pch_build_age{600};
constexpr std::size_t Pch_entries_kept = 3;
