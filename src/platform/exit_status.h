// How an exit status reads in the pauser's report, on each system. Plain
// string functions, built and tested everywhere.
#pragma once

#include <string>

// A POSIX status, 128 plus the signal number for a program killed by one;
// the common signals are named when `killed_by_signal`:
// "139（SIGSEGV，段错误）". A program may exit with 139 itself, which is a
// plain number.
std::string Posix_exit_status_text(int status, bool killed_by_signal);

// A Windows exit code, which for a program that died of an exception is the
// exception's NTSTATUS code. Codes with the top bit set (NTSTATUS severity
// warning or error, such as 0xC0000005, an access violation) are shown in hex
// as well, the form the code is looked up by: "3221225477 (0xC0000005)".
// Ordinary return values stay plain numbers.
std::string Windows_exit_status_text(unsigned long code);
