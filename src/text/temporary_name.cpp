#include "text/temporary_name.h"

#include <cstdint>
#include <random>

namespace {
const std::size_t Hex_digits = 16;
const std::string Suffix = ".tmp";
}  // namespace

std::string Temporary_name(const std::string& path) {
  // Drawn afresh each time, so that a forked process cannot repeat its
  // parent's next name.
  std::random_device device;
  std::uint64_t random = (static_cast<std::uint64_t>(device()) << 32) ^ device();
  std::string hex(Hex_digits, '0');
  for (std::size_t i = Hex_digits; i-- > 0; random >>= 4) hex[i] = "0123456789abcdef"[random & 0xf];
  return path + "." + hex + Suffix;
}

bool Is_temporary_name(const std::string& entry, const std::string& name) {
  if (entry.size() != name.size() + 1 + Hex_digits + Suffix.size()) return false;
  if (entry.compare(0, name.size(), name) != 0 || entry[name.size()] != '.') return false;
  for (std::size_t i = name.size() + 1; i < name.size() + 1 + Hex_digits; ++i) {
    const char c = entry[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return entry.compare(entry.size() - Suffix.size(), Suffix.size(), Suffix) == 0;
}
