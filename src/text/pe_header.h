// The stack a Windows program gets is written in its executable's header
// when it is linked. The judge sets it in a copy of the program, so that deep
// recursion that passes on a judge does not overflow here. A plain byte
// function, built and tested everywhere.
#pragma once

#include <string>

// Sets the stack reserve in the optional header of the PE image `image`
// (PE32 or PE32+) to `bytes` (never below its stack commit; a PE32 field
// holds at most 4 GiB less one byte). False, with `image` unchanged, when it
// is not a PE image.
bool Set_stack_reserve(std::string& image, unsigned long long bytes);

// The stack reserve of the PE image `image`, or 0 when it is not one.
unsigned long long Stack_reserve(const std::string& image);
