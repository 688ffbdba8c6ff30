// The game record file (Chess.pgn): the running writer that adds the latest move.
#pragma once

#include <cstdint>

// Builds the notation of ply GamePly into its history record and, when write is 1, appends it to
// the game record file (with the header first at ply 1). With 0 only the record's text is filled.
void append_game_move(uint8_t write);
