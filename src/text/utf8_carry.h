// UTF-8 that arrives in pieces, turned into UTF-16 for a console that takes
// whole characters only. A plain string function, built and tested everywhere.
#pragma once

#include <string>

// Converts `text`, the next piece written to one stream, to UTF-16. `held`
// belongs to that stream: it brings the first bytes of a character that the
// previous piece ended in, and takes those that this piece ends in, so that
// the character comes out whole once its last byte arrives. A byte that
// cannot belong to a character, or a sequence cut short by one, becomes one
// U+FFFD, and the text after it comes out at once; a character beyond U+FFFF
// becomes a surrogate pair.
std::u16string Utf16_of_write(std::string& held, const std::string& text);
