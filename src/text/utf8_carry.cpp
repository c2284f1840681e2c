#include "text/utf8_carry.h"

namespace {

const char16_t Replacement = 0xFFFD;

// How many continuation bytes follow `lead`: 0 for ASCII, -1 for a byte that
// never begins a character (a continuation byte, the overlong leads C0 and
// C1, and F5 to FF, which would lie beyond U+10FFFF).
int Continuations(unsigned char lead) {
  if (lead < 0x80) return 0;
  if (lead < 0xC2) return -1;
  if (lead < 0xE0) return 1;
  if (lead < 0xF0) return 2;
  if (lead < 0xF5) return 3;
  return -1;
}

// Whether `byte` may follow `lead` as continuation byte number `nth` (from 0).
// The first one is narrowed after E0, ED, F0 and F4, so that no overlong
// form, no surrogate and nothing beyond U+10FFFF ever gets through.
bool Continues(unsigned char lead, int nth, unsigned char byte) {
  unsigned char low = 0x80, high = 0xBF;
  if (nth == 0) {
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  return byte >= low && byte <= high;
}

void Append(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
    return;
  }
  code -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

}  // namespace

std::u16string Utf16_of_write(std::string& held, const std::string& text) {
  const std::string bytes = held + text;
  held.clear();
  std::u16string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const int need = Continuations(lead);
    if (need <= 0) {
      out.push_back(need == 0 ? static_cast<char16_t>(lead) : Replacement);
      ++i;
      continue;
    }
    char32_t code = lead & (0x3F >> need);
    int got = 0;
    while (got < need && i + 1 + got < bytes.size()) {
      const auto next = static_cast<unsigned char>(bytes[i + 1 + got]);
      if (!Continues(lead, got, next)) break;
      code = code << 6 | (next & 0x3F);
      ++got;
    }
    if (got < need && i + 1 + got == bytes.size()) {
      // The character's last bytes are still to come.
      held = bytes.substr(i);
      break;
    }
    if (got < need) {
      // Cut short: the byte that broke it starts afresh.
      out.push_back(Replacement);
    } else {
      Append(out, code);
    }
    i += 1 + got;
  }
  return out;
}
