// Texts to standard output and error: a terminal here takes UTF-8 as bytes,
// so they pass through unchanged.
#include <cstdio>

#include "platform/platform.h"

void Write_text(Stream to, const std::string& text) {
  std::FILE* file = to == Stream::err ? stderr : stdout;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
}
