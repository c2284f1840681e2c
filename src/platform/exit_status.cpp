#include "platform/exit_status.h"

std::string Posix_exit_status_text(int status) { return std::to_string(status); }

std::string Windows_exit_status_text(unsigned long code) { return std::to_string(code); }
