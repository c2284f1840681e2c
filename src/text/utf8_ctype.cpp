#include "text/utf8_ctype.h"

#include <clocale>
#include <initializer_list>

bool Use_utf8_ctype() {
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
    if (std::setlocale(LC_CTYPE, name) != nullptr) return true;
  return false;
}
