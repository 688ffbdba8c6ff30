#include "search/exchange.h"

#include <algorithm>

#include "board/geometry.h"
#include "board/legality.h"
#include "board/position.h"

namespace {

constexpr int Margin = 50;
constexpr int MaxExchangeDepth = 32; // captures on one square, both sides together
constexpr int DecidedBalance = 2501; // a king won or lost: nothing after it matters

// Least valuable piece of colour attacking sq through occupancy, lowest type first; its square,
// or -1. Pieces missing from occupancy have been exchanged already; the sliders behind them
// join in because their lines are recomputed with the reduced occupancy.
int leastAttacker(const PlyState& s, int colour, int sq, Bitboard occupancy, int& value) {
    Bitboard pawns = PawnAttacks[colour * 64 + sq] & s.pawns[colour] & occupancy;
    if (pawns) {
        value = PieceValue[TypePawn];
        return lowest_bit(pawns);
    }
    Bitboard pieces = s.pieces[colour] & occupancy;
    if (!pieces) return -1;
    struct Probe {
        uint8_t letter;
        Bitboard reach;
    };
    const Probe probes[] = {
        {LetterKnight, KnightAttacks[sq]}, {LetterBishop, BishopLines[sq]},
        {LetterRook, RookLines[sq]},       {LetterQueen, QueenLines[sq]},
        {LetterKing, KingAttacks[sq]},
    };
    for (const Probe& probe : probes) {
        Bitboard candidates = probe.reach & pieces;
        if (!candidates) continue;
        Bitboard hits = 0;
        if (probe.letter == LetterKnight || probe.letter == LetterKing)
            hits = candidates;
        else
            hits = candidates & sliderAttacks(probe.letter, sq, occupancy);
        while (hits) {
            int from = pop_lowest_bit(hits);
            if (Board[from].letter == probe.letter) {
                value = PieceValue[letter_type(probe.letter)];
                return from;
            }
        }
    }
    return -1;
}

} // namespace

int exchangeBalance(const PlyState& state, int side, int to, int gain, int firstValue,
                    Bitboard occupancy) {
    // balance[d]: how far ahead the side that made capture d stands if the exchange ends there.
    int balance[MaxExchangeDepth + 1];
    int d = 0;
    balance[0] = gain;
    int onSquare = firstValue; // value of the piece standing on `to`
    int colour = 1 - side;
    // A capture that stays more than the margin ahead even when the piece it put on the square
    // is lost decides the exchange: what could follow cannot change the verdict.
    while (d < MaxExchangeDepth && balance[d] - onSquare <= Margin && balance[d] < DecidedBalance) {
        int value = 0;
        const int from = leastAttacker(state, colour, to, occupancy, value);
        if (from < 0) break;
        occupancy &= ~square_bit(from);
        ++d;
        balance[d] = onSquare - balance[d - 1];
        onSquare = value;
        colour = 1 - colour;
    }
    // Each side may decline a recapture that would leave it worse off than stopping.
    for (; d > 0; --d) balance[d - 1] = std::min(balance[d - 1], -balance[d]);
    return balance[0];
}

int staticExchange(const SearchNode& node, MOVE m) {
    const MOVE orderingClass = m & MoveClassMask;
    const int mover = move_mover(m);
    const int captured = move_captured(m);
    const int from = move_from(m), to = move_to(m);
    const bool promotion = move_special(m) == MovePromotion;
    const Bitboard target = square_bit(to);

    if (orderingClass == ClassBestCapture) return ExchangeWins;
    if (mover == TypeKing) return ExchangeEven;
    if ((node.enemyAttacks & target) == 0)
        return (captured || promotion) ? ExchangeWins : ExchangeEven;
    if (!captured && !promotion) {
        if (mover == TypeQueen && (node.enemyUpToRook & target)) return ExchangeLoses;
        if ((mover == TypeKnight || mover == TypeBishop || mover == TypeRook) &&
            (node.enemyMinorAttacks & target))
            return ExchangeLoses;
    }
    if (captured == TypePawn) {
        if (mover == TypePawn) return ExchangeEven;
        if (node.enemyPawnAttacks & target) return ExchangeLoses;
    }
    const int capturedValue = PieceValue[captured];
    int moverValue = PieceValue[mover];
    if (capturedValue - moverValue > Margin) return ExchangeWins;

    int gain = capturedValue;
    if (promotion) {
        moverValue = PieceValue[move_promotion_type(m)];
        gain += moverValue - PieceValue[TypePawn];
    }
    Bitboard occupancy = node.occupancy & ~square_bit(from);
    if (move_special(m) == MoveEnPassant) occupancy &= ~square_bit(to - colour_sign(node.side));
    const int balance =
        exchangeBalance(*node.state, node.side, to, gain, moverValue, occupancy | target);
    if (balance < -Margin) {
        if (QsearchNext && mover == TypeRook && (captured == TypeKnight || captured == TypeBishop))
            return ExchangeEven;
        return ExchangeLoses;
    }
    return balance > Margin ? ExchangeWins : ExchangeEven;
}

int pieceHanging(const SearchNode& node, int square) {
    const BoardSquare& b = Board[square];
    if (b.letter == 0 || b.colour != node.side) return 0;
    if ((node.enemyAttacks & square_bit(square)) == 0) return 0;
    int value = 0;
    int from = leastAttacker(*node.state, node.opponent, square, node.occupancy, value);
    if (from < 0) return 0;
    const int balance = exchangeBalance(*node.state, node.opponent, square, int(b.absValue), value,
                                        node.occupancy & ~square_bit(from));
    return balance > Margin ? -1 : 0;
}

int quietDestinationSafe(const SearchNode& node, MOVE m) {
    const int mover = move_mover(m);
    const int to = move_to(m), from = move_from(m);
    const Bitboard target = square_bit(to);
    const int safe =
        ((m & MoveClassMask) == ClassBestCapture || move_special(m) == MovePromotion) ? 1 : 0;
    if (mover == TypeKing || (node.enemyAttacks & target) == 0) return safe;
    if ((mover == TypeKnight || mover == TypeBishop || mover == TypeRook) &&
        (node.enemyMinorAttacks & target))
        return -1;
    if (mover == TypeQueen && (node.enemyUpToRook & target)) return -1;
    if (mover == TypePawn) return move_captured(m) ? 1 : -1;
    // Defended by another of the side's pieces, counted with the mover gone from its square.
    const int side = node.side;
    const Bitboard occupancy = node.occupancy & ~square_bit(from);
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.letter == 0 || e.square == from) continue;
        if (pieceAttacks(e.letter, side, e.square, occupancy) & target) return safe;
    }
    return -1;
}
