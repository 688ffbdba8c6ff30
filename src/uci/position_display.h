// The "d" debugging command: the game position as a diagram, its FEN and its key.
#pragma once

// Writes the FEN of the game position (placement, side, castling, en-passant square, half-move
// clock, move number) into out, which holds at least 100 bytes.
void game_position_fen(char* out);
