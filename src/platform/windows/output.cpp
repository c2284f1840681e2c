// Texts to standard output and error. A console is written UTF-16 through
// WriteConsoleW: the C runtime passes each byte through the C locale on its
// way to a console, and a console that gets a character's UTF-8 bytes in
// separate writes cannot join them, which typed output does one byte at a
// time. Redirected output (a pipe, a file) stays bytes.
#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "text/utf8_carry.h"
#include "platform/windows/internal.h"

namespace {

// WriteConsoleW refuses very large buffers on older systems; the cut never
// falls between the halves of a surrogate pair.
const std::size_t Chunk_units = 8192;

void Write_console(HANDLE console, const std::u16string& units) {
  std::size_t done = 0;
  while (done < units.size()) {
    std::size_t n = std::min(Chunk_units, units.size() - done);
    if (done + n < units.size() && units[done + n - 1] >= 0xD800 && units[done + n - 1] < 0xDC00)
      --n;
    DWORD written = 0;
    const auto* wide = reinterpret_cast<const wchar_t*>(units.data() + done);
    if (!WriteConsoleW(console, wide, static_cast<DWORD>(n), &written, nullptr) || written == 0)
      return;
    done += written;
  }
}

}  // namespace

void Write_text(Stream to, const std::string& text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 is wchar_t on Windows");
  const bool err = to == Stream::err;
  std::FILE* file = err ? stderr : stdout;
  const HANDLE handle = GetStdHandle(err ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fflush(file);
    return;
  }
  // The first bytes of a character whose last byte is still to come, one for
  // each stream, as both may be the same console.
  static std::string held[2];
  // Whatever the C runtime may hold goes first, so that the order stays.
  std::fflush(file);
  Write_console(handle, Utf16_of_write(held[err ? 1 : 0], text));
}
