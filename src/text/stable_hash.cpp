#include "text/stable_hash.h"

#include <cstdint>

std::string Stable_hash(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  std::string hex(16, '0');
  for (std::size_t i = 16; i-- > 0; hash >>= 4) hex[i] = "0123456789abcdef"[hash & 0xf];
  return hex;
}
