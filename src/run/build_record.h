// For each executable Vorlix builds, the compiler and options that built it,
// kept in the user's cache folder (CACHE/builds/, one small file for each
// executable, named by a hash of its full path), so that a change of either
// rebuilds it as a newer source does. The record is only a hint: one that is
// missing or cannot be read counts as built with today's settings.
#pragma once

#include <string>

// True when a record of `epath` says that another compiler path or other
// options than COM_PATH and COM_SETTINGS built it.
bool Built_with_other_settings(const std::string& epath);

// Records that COM_PATH and COM_SETTINGS have just built `epath`, replacing
// the old record in one step. Silent: a record that cannot be written only
// costs a rebuild that is not noticed.
void Record_build(const std::string& epath);

// The record's file for `epath` under the cache folder `cache`; "" when
// `cache` is.
std::string Build_record_path(const std::string& cache, const std::string& epath);
