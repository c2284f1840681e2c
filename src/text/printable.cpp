#include "text/printable.h"

namespace {

void Escape(std::string& out, unsigned char c) {
  const char* const hex = "0123456789abcdef";
  out += "\\x";
  out += hex[c >> 4];
  out += hex[c & 0xf];
}

}  // namespace

std::string Printable(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const auto next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    if (c == 0xc2 && next >= 0x80 && next <= 0x9f) {  // C1, U+0080 to U+009F
      Escape(out, c);
      Escape(out, next);
      ++i;
    } else if (c < 0x20 || c == 0x7f) {
      Escape(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}
