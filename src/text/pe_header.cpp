#include "text/pe_header.h"

namespace {

unsigned long long Read_le(const std::string& s, std::size_t at, int size) {
  unsigned long long value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(s[at + i]);
  return value;
}

void Write_le(std::string& s, std::size_t at, int size, unsigned long long value) {
  for (int i = 0; i < size; ++i, value >>= 8) s[at + i] = static_cast<char>(value & 0xFF);
}

// Where the stack reserve field is and how wide; false when `image` is not a
// PE image.
bool Reserve_field(const std::string& image, std::size_t& at, int& size) {
  if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return false;
  const unsigned long long pe = Read_le(image, 0x3C, 4);
  const std::size_t optional = static_cast<std::size_t>(pe) + 24;
  if (pe > image.size() || image.size() < optional + 88) return false;
  if (image.compare(static_cast<std::size_t>(pe), 4, std::string("PE\0\0", 4)) != 0) return false;
  const unsigned long long magic = Read_le(image, optional, 2);
  if (magic != 0x10B && magic != 0x20B) return false;
  at = optional + 72;  // SizeOfStackReserve, in both forms
  size = magic == 0x20B ? 8 : 4;
  return true;
}

}  // namespace

bool Set_stack_reserve(std::string& image, unsigned long long bytes) {
  std::size_t at = 0;
  int size = 0;
  if (!Reserve_field(image, at, size)) return false;
  const unsigned long long commit = Read_le(image, at + size, size);
  if (bytes < commit) bytes = commit;
  if (size == 4 && bytes > 0xFFFFFFFFULL) bytes = 0xFFFFFFFFULL;
  Write_le(image, at, size, bytes);
  return true;
}

unsigned long long Stack_reserve(const std::string& image) {
  std::size_t at = 0;
  int size = 0;
  return Reserve_field(image, at, size) ? Read_le(image, at, size) : 0;
}
