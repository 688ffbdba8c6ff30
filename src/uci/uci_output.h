// Messages and moves as the interface sees them, and the end of the process.
#pragma once

#include "board/types.h"

// UCI mode: "info " and the text without its leading newlines; console mode: the text. Then a
// newline and a flush.
void send_info(const char* text);

// A message for the user rather than the interface: "info string " and the text without its
// leading newlines in UCI mode, the text in console mode. Then a newline and a flush.
void send_info_string(const char* text);

// The opening book cannot be read: the disk-error message with the node counter, as an
// "info string" line in UCI mode, as plain text in console mode.
void report_io_error();

// Ends the process with status 0 after releasing the token table. Nothing is written.
[[noreturn]] void engine_quit();

// The answer to the go that waits for one (bestmove_due), which it clears: "bestmove " and the
// move, or "bestmove (none)" for no move; with_reply and the Ponder option on, " ponder " and the
// expected reply when it is a real move. Nothing when no go waits: one answer for every go.
void send_bestmove(MOVE move, MOVE reply, bool with_reply);

// Long algebraic text of a move (e2e4, e7e8q), left in uci_text_move and returned.
extern char uci_text_move[6];
const char* move_to_uci(MOVE move);
