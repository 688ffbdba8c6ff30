// The game history: one record per half-move of the game, filled by the game loop and by the
// position command, read by the game record writer, the notation of the root moves and the book.
#pragma once

#include <cstdint>

struct GameHistoryEntry {
    char text[8];        // the move's notation, filled by the game record writer
    uint16_t ply;        // half-move number of the game, 1 for the first move
    uint16_t moveNumber; // (ply + 1) / 2
    uint8_t side;     // 1 for an odd ply (white's move from the standard start), 2 for an even one
    uint8_t fromCell; // 10 * (file + 1) + (rank + 1), a1 = 11
    uint8_t toCell;
    uint8_t promotion;   // engine letter of the promoted piece (C, F, T, D), 0 if none
    uint8_t specialKind; // 0 normal, 1 castling, 2 en passant, 3 promotion
    uint8_t moverSlot;   // PieceList slot of the moving piece
    uint8_t captured;    // engine letter of the captured piece, 0 if none
    uint8_t spare;
    uint8_t status;    // game-status code after the move
    uint8_t stateByte; // en-passant square of the new position
};

constexpr int GameHistoryStartCapacity = 200;
constexpr int GameHistoryGrowth = 50;

// Half-move clock and move number of the set-up position (from the FEN, 0 and 1 for the standard
// start); with the game since then they give the FEN of the game position. Set by the position
// command.
extern int start_half_move_clock;
extern int start_move_number;

// Records indexed by ply (entry 0 is unused); game_history_capacity plies fit. Owned by the game
// loop; the position command rebuilds it. Null until the first call of ensure_game_history.
extern GameHistoryEntry* game_history;
extern int game_history_capacity;

// Makes room for the record of the given ply, allocating the history on first use and growing it
// by 50 plies at a time. The record of a newly reached ply is zeroed. False when memory runs out
// (the history is then unchanged).
bool ensure_game_history(int ply);

// Releases the history (quit, and tests that want a fresh start).
void release_game_history();
