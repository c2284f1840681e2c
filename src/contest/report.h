// The judge's and the stress test's words: verdicts, figures, a difference,
// the first lines of a text. Plain string functions, built and tested
// everywhere; every value shown goes through Printable.
#pragma once

#include <string>

#include "contest/run_sample.h"

// "AC 通过", "WA 答案错误", ..., for a verdict; "RE 运行错误，返回值 139（SIGSEGV，段错误）".
std::string Verdict_words(const Sample_run& result);

// The short form: "AC", "WA", "TLE", "MLE", "RE", "OLE"; "" for the others.
std::string Verdict_code(Verdict verdict);

// "用时 0.012 秒，CPU 0.010 秒，内存 3.4 MiB": what the runner measured,
// leaving out what the system did not tell.
std::string Figures(const Limited_run& run);

// The lines under a WA: where the answers first differ, the expected and the
// actual text, each cut to a readable width. Each line starts with `indent`.
std::string Difference_lines(const Difference& difference, const std::string& indent);

// At most `lines` lines of `text`, each cut to `width` bytes and shown
// through Printable, each after `indent`, with a note when more was left out.
std::string First_lines(const std::string& text, std::size_t lines, std::size_t width,
                        const std::string& indent);

// `text` in the verdict's colour when `colour` (a terminal): green for AC,
// red for the others.
std::string Coloured(const std::string& text, bool accepted, bool colour);
