// The UCI position command: set-up from SetupBoard, replay of the moves, legality of the result.
#pragma once

#include "board/types.h"

#include <cstdint>

// Applies the position collected by the dispatcher for the current line.
void apply_position();

// Half-move clock and move number of the set-up position (from the FEN, 0 and 1 for the standard
// start); with the game since then they give the FEN of the game position.
extern int start_half_move_clock;
extern int start_move_number;

// True when the words after "fen" (placement, side, and optionally castling, en passant,
// half-move clock and move number) are well formed.
bool fen_fields_valid(const char* const* fields, int count);

// True when SetupBoard can be a chess position: one king per colour, at most 16 pieces per colour,
// no pawn on the first or last rank.
bool setup_board_plausible();

// Matches a long-algebraic move word (e2e4, e7e8q) against the legal moves of the game position.
// Returns the move, or 0 when the word is malformed or names no legal move.
MOVE find_uci_move(const char* word);
