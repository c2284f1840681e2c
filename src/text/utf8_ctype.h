// The character type the line editor needs. Standard C only, built and
// tested everywhere.
#pragma once

// Makes the C library's character type UTF-8 (for the line editor's idea of
// a character), or returns false when no UTF-8 locale is installed. Case
// changes with tolower still touch ASCII letters only.
bool Use_utf8_ctype();
