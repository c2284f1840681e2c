#include "platform/exit_status.h"

std::string Posix_exit_status_text(int status) { return std::to_string(status); }

std::string Windows_exit_status_text(unsigned long code) {
  const unsigned long severity_bit = 0x80000000UL;
  if ((code & severity_bit) == 0) return std::to_string(code);
  std::string hex = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) hex += "0123456789ABCDEF"[(code >> shift) & 0xFUL];
  return std::to_string(code) + " (" + hex + ")";
}
