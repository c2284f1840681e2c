// A cache of precompiled <bits/stdc++.h> headers, at
// CACHE/pch/<key>/bits/stdc++.h.gch, where CACHE is Cache_directory(). The
// key covers the compiler's file, the options, the environment variables
// that move the compiler's header search and, where an option or the
// compiler's own path is relative, the working directory. An entry records
// the files it was made from (its -MD list, the folders searched, the
// compiler proper) and is rebuilt when any of them changes.
//
// A compile whose source begins with that include is run first with the
// entry found through CPATH and its output held back; when it writes nothing
// and succeeds that is the compile. Otherwise it runs once more without the
// cache, straight to the terminal, and that one counts: what the user reads
// is exactly what a compile without the cache shows. A missing entry is made
// in the background after the compile. Anything wrong with the cache only
// costs the speed-up: it never fails a compile and never prints.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// Starts the cache's build job: Vorlix's own program again with `arguments`
// after its path, apart from this one (Run_in_background).
using Cache_job_start = Outcome (*)(const std::vector<std::string>& arguments);

// The compile step's compile of `fpath` into `epath` with the compiler
// `com_path` and its options `com_settings`, through the cache unless
// VORLIX_PCH is 0; a build it needs is handed to `start`. Returns how the
// compiler's run ended, as Compile does.
Program_run Compile_with_cache(const std::string& com_path, const std::string& com_settings,
                               const std::string& fpath, const std::string& epath,
                               Cache_job_start start);

// True when `arguments` (this program's, its path first) are those of a
// build job: the hidden option --pch-build and exactly the job's five words
// (root, key, compiler, options, working directory). Any other form is the
// user's, and keeps its usual meaning.
bool Is_cache_job(const std::vector<std::string>& arguments);

// Runs the build job of `arguments` (Is_cache_job): old temporaries, failure
// marks and entries tidied away, the entry of the key built, and tidied
// again. Does nothing unless the root is this user's own cache's, absolute,
// and the cache is on. Never prints; returns the program's exit status.
int Run_cache_job(const std::vector<std::string>& arguments);
