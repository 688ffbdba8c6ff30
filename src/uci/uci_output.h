// The answer to a go as the interface sees it. The messages and the end of the process are in
// core/output.h; the long algebraic text of a move is in board/notation.h.
#pragma once

#include "board/types.h"

// The answer to the go that waits for one (bestmove_due), which it clears: "bestmove " and the
// move, or "bestmove (none)" for no move; with_reply and the Ponder option on, " ponder " and the
// expected reply when it is a real move. Nothing when no go waits: one answer for every go.
void send_bestmove(MOVE move, MOVE reply, bool with_reply);
