// The four fields of a FEN text written into the set-up position: piece placement into
// SetupBoard, side to move, castling rights and en-passant target. The UCI dispatcher feeds them
// one word at a time; tools that hold a whole FEN string use load_fen_fields.
#pragma once

// Piece placement (a8 first, rank by rank). Digits 1-8 empty that many squares; PNBRQK and
// pnbrqk place white and black pieces; '/' and any other character are skipped. Only the first
// 99 characters are read; squares the text does not reach keep their contents, squares past h1
// are ignored.
void fen_write_board(const char* word);

// Side to move: every 'w' makes white the side to move, every 'b' black (white_to_move_at_start
// and SideToMove).
void fen_write_side(const char* word);

// Castling: both colours lose their rights, then K, Q, k, q grant white short, white long, black
// short, black long (bit 0 short, bit 1 long of SetupCastlingRights).
void fen_write_castling(const char* word);

// En passant: "-" or anything that is not a square a1-h8 clears SetupEnPassant; a square sets it
// to 8 * (file + 1) + rank of that square (e3 gives 42).
void fen_write_en_passant(const char* word);

// Splits a whole FEN string at spaces and runs the four writers on its first four fields, after
// emptying SetupBoard. Missing fields count as "w", "-" and "-". False when there is no piece
// placement field. The board itself is not set up.
bool load_fen_fields(const char* fen);
