// Text forms of moves and the mapping between the English piece letters of external text (FEN,
// book, game files) and the engine's own letters.
#pragma once

#include <cstdint>

#include "board/types.h"

// Size of a mailbox board (SetupBoard layout): cell 10 * (file + 1) + (rank + 1), a1 = 11.
constexpr int MailboxSize = 89;

// A cell of the 8x8 part of a mailbox board (files and ranks 1..8).
constexpr bool mailbox_on_board(int cell) {
    return cell >= 11 && cell <= 88 && cell % 10 != 0 && cell % 10 != 9;
}

// English letter (B, K, N, P, Q, R, upper or lower case) to the engine letter (F, R, C, P, D, T).
// A negative (black) value maps its absolute value and is negated back; other values are returned
// unchanged.
int8_t englishToInternal(int8_t letter);
// Engine letter (C, D, F, P, R, T) to the English letter (N, Q, B, P, K, R); sign kept as above.
int8_t internalToEnglish(int8_t letter);

// Castling-rights byte operations used when reading a FEN castling field:
// 0 set bit 0, 1 set bit 1, 2 clear bit 0, 3 clear bit 1, 4 none, 5 castled king side (4),
// 6 castled queen side (8). Other operations leave the byte alone.
void setCastlingRight(uint8_t& rights, int operation);

// Special kinds of a move as stored in records: bits 14-15 of the move code shifted down.
constexpr int KindNormal = 0;
constexpr int KindCastling = 1;
constexpr int KindEnPassant = 2;
constexpr int KindPromotion = 3;

// The pieces equal to piece (English letter and sign) that reach toCell on an English-letter
// mailbox board: a knight's jump away for N, the first piece met along each rank and file line
// for R and Q, along each diagonal for B and Q; none for other letters. Writes their cells into
// cells in a fixed order (at most MaxPiecesReaching) and returns the count.
constexpr int MaxPiecesReaching = 8;
int piecesReaching(const int8_t* board, int toCell, int8_t piece, int* cells);

// Book notation of one move on an English-letter mailbox board taken before the move: the piece
// letter (none for pawns), a file or rank disambiguator when two pieces of the kind reach the
// to-cell, "x" for captures (a pawn taking a pawn is written as two file letters, like "ed"), the
// to-square, "=" and the promotion letter, or "o-o" / "o-o-o" for castling. promotion and
// captured are English letters (captured is the absolute board value at the to-cell, 0 if
// none); mover is the absolute English letter at the from-cell. Writes at most 7 characters and
// a terminating zero into out.
void bookNotation(int fromCell, int toCell, int promotion, int captured, int specialKind, int mover,
                  char* out, const int8_t* board);

// Plays a move on an English-letter mailbox board: the piece goes from fromCell to toCell;
// castling (the king to c1, c8, g1 or g8) also moves the rook, en passant removes the pawn beside
// toCell on fromCell's rank, and a promotion puts the promoted piece (engine letter, translated)
// with the mover's sign on toCell.
void playMailboxMove(int8_t* board, int fromCell, int toCell, int specialKind, int promotion);

// The standard start position in engine letters (white positive, black negated) on a mailbox.
void standardStartMailbox(int8_t* board);
// The same in English letters (R, N, B, Q, K, P), the layout of the book boards.
void englishStartMailbox(int8_t* board);

// Long algebraic text of a move (e2e4, e7e8q), as the UCI protocol writes it, left in
// uci_text_move and returned.
extern char uci_text_move[6];
const char* move_to_uci(MOVE move);
