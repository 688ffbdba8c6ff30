// The search's stop flags and node counters. The UCI dispatcher raises the stops, the think step
// sets the node limit, the poll and the root search act on them. Main thread only.
#pragma once

#include <cstdint>

#include "board/types.h"

extern uint8_t abort_search;   // every node returns at once
extern uint8_t abort_ponder;   // the ponder search must end and its result be dropped
extern uint8_t stop_deepening; // no further iteration after the current one
extern uint8_t stop_at_root;   // stopping now leaves a usable move (root search, full stop)

// Pondering, set by the dispatcher (go ponder, ponderhit, stop) and the console's move entry.
extern uint8_t pondering;            // the search to come or running is a ponder search
extern uint8_t ponder_hit;           // ponderhit arrived during a ponder search
extern MOVE expected_move;           // the opponent's move the ponder search expects
extern uint8_t expected_move_played; // ponderhit: the opponent played expected_move
extern MOVE opponent_move;           // the opponent's move taken from a ponderhit
extern uint8_t gui_stop; // a stop was received for this search (dispatcher; the root search clears)

extern uint64_t node_count; // nodes searched since the game loop started (the search counts)
extern uint64_t node_limit; // node_count at which the search stops (think step, "stop")

// Full stop: all four flags. Soft stop: stop_deepening and abort_search only.
void raise_full_stop();
void raise_soft_stop();
