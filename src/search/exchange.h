// Static exchange evaluation and the two square-safety tests of move ordering. All of them read
// the board and the attack maps of the node where the move would be played.
#pragma once

#include "board/types.h"

// Verdicts of staticExchange.
constexpr int ExchangeWins = 1;    // the mover comes out more than 50 ahead
constexpr int ExchangeEven = 0;    // within 50 either way
constexpr int ExchangeLoses = 255; // the mover loses more than 50

// Rates move m of the side to move at node by the exchange it starts on its destination.
int staticExchange(const SearchNode& node, MOVE m);

// -1 when the opponent, capturing first, wins more than 50 on square (which holds a piece of
// the side to move at node), else 0.
int pieceHanging(const SearchNode& node, int square);

// -1 when the moving piece would stand unsafely on the destination of m, else 1 (captures of
// ordering class 0, promotions, pawn captures) or 0.
int quietDestinationSafe(const SearchNode& node, MOVE m);

// Balance of the exchange on square `to` from the first capturer's view: `first` (a piece of
// colour `side`, worth firstValue once on `to`) captures what stands there (worth gain), then
// both sides recapture with their least valuable attacker, each free to stop when going on
// would cost it. The play-out ends at a capture that leaves its side more than 50 ahead even if
// the piece it put on the square is taken. occupancy holds the pieces still able to take part
// (the first capturer's origin already removed).
int exchangeBalance(const PlyState& state, int side, int to, int gain, int firstValue,
                    Bitboard occupancy);
