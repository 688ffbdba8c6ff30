// The legal moves of the game position (root moves), their book notation while the opening book
// is in use, and the lookup of typed moves among them.
#pragma once

#include "board/notation.h"
#include "board/types.h"

constexpr int RootMoveCapacity = 127;
constexpr int RootMoveTextSize = 8;

// Legal moves of the side to move at the game position, in slot order and, within a piece, quiet
// moves before captures; 0-terminated. Rebuilt by build_root_moves after every change of the game
// position.
extern MOVE root_moves[RootMoveCapacity + 1];
// Book notation of root_moves[i], filled only while the book is in use.
extern char root_move_text[RootMoveCapacity][RootMoveTextSize];
// The game position in English letters (black negated), replayed from the game history while the
// book is in use; and the two signatures of the game's moves (sums of to^2 - from^2 over the
// cells of white's, resp. black's, moves, modulo 2^16).
extern int8_t game_book_board[MailboxSize];
extern uint16_t game_white_signature;
extern uint16_t game_black_signature;

// Writes the legal moves of the side to move at the game position (node 0, its move lists already
// generated) into moves, at most capacity of them, and returns their count.
int collectLegalMoves(MOVE* moves, int capacity);

// Rebuilds root_moves and, while the book stays in use (standard start, fewer than 53 plies),
// game_book_board, the signatures and root_move_text. Clears use_book otherwise.
void build_root_moves();

// Typed-move lookup. Results of findTypedMove:
constexpr int TypedMoveFound = 0;       // *move is the root move
constexpr int TypedMoveMalformed = 1;   // not A-H 1-8 A-H 1-8
constexpr int TypedMoveNotOwnPiece = 2; // the from-square holds no piece of the side to move
constexpr int TypedMoveNotLegal = 3;    // no root move goes from there to there
constexpr int TypedMoveNeedsPiece = 4;  // a promotion: ask for the piece (D, T, F or C) and retry

// Looks up the four characters of a typed move (upper-case file letters, e.g. "E2E4") in
// root_moves. For a promotion, promotion is the engine letter answered by the player (D, T, F,
// C) or 0 when it has not been asked yet.
int findTypedMove(const char* text, int promotion, MOVE* move);
