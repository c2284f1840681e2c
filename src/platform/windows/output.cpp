// Texts to standard output and error, as bytes.
#include <cstdio>

#include "platform/platform.h"

void Write_text(Stream to, const std::string& text) {
  std::FILE* file = to == Stream::err ? stderr : stdout;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
}
