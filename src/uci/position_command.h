// The UCI position command: set-up from SetupBoard, replay of the moves, legality of the result.
#pragma once

#include "board/types.h"

#include <cstdint>

// Applies the position collected by the dispatcher for the current line.
void apply_position();

// True when the words after "fen" (placement, side, and optionally castling, en passant,
// half-move clock and move number) are well formed.
bool fen_fields_valid(const char* const* fields, int count);

// Matches a long-algebraic move word (e2e4, e7e8q) against the legal moves of the game position.
// Returns the move, or 0 when the word is malformed or names no legal move.
MOVE find_uci_move(const char* word);
