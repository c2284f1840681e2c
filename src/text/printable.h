// Text that is safe to show on a terminal or a console: what a user or a
// file may hold (a setting, a file name, a title) must never reach the
// terminal as one of its commands. A plain string function, built and tested
// everywhere.
#pragma once

#include <string>

// `s` with each byte of a control character written as "\x" and two
// lower-case hexadecimal digits: C0 (below 0x20), DEL (0x7f) and the C1
// characters U+0080 to U+009F (UTF-8 0xc2 0x80 to 0xc2 0x9f), which some
// terminals obey as well. ESC CR becomes "\x1b\x0d". Everything else, UTF-8
// text and stray bytes alike, is kept as it is. The escape shows that
// something is there, where dropping it would make two values look alike.
std::string Printable(const std::string& s);
