// An environment block for CreateProcessW: NAME=VALUE entries, each ended by
// a NUL, the block by one more. Windows asks for its entries sorted by name,
// without regard to case, in Unicode order, as its own blocks are.
#pragma once

#include <string>
#include <vector>

// The block of `entries`, sorted by name: the text before the first "=" that
// is not the entry's first character (the drive entries "=C:=C:\..." keep
// theirs). Case is told apart for ASCII letters only, which is where names
// differ in practice. An empty entry list gives an empty block.
std::wstring Environment_block(std::vector<std::wstring> entries);
