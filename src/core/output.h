// Text for the user or the interface, and the end of the process: what every room may say, in
// the form the run mode asks for.
#pragma once

#include <cstdint>

// UCI mode: "info " and the text without its leading newlines; console mode: the text. Then a
// newline and a flush.
void send_info(const char* text);

// A message for the user rather than the interface: "info string " and the text without its
// leading newlines in UCI mode, the text in console mode. Then a newline and a flush.
void send_info_string(const char* text);

// The opening book cannot be read: the disk-error message with the node counter, as an
// "info string" line in UCI mode, as plain text in console mode.
void report_io_error(uint64_t nodes);

// What the end of the process releases besides the game history: the book, the tables and the
// token table, whose owners stand above. Installed by the shell at start-up; nothing by default.
extern void (*release_at_quit)();

// Ends the process with status 0 after releasing what release_at_quit and the game history hold.
// Nothing is written.
[[noreturn]] void engine_quit();
