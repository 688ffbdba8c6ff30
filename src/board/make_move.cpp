#include "board/make_move.h"

#include <cstdlib>
#include <initializer_list>

#include "board/geometry.h"
#include "board/keys.h"
#include "board/legality.h"
#include "board/position.h"

MOVE ExpectedMoves[MaxPly];

namespace {

// Set while the rook's part of a castling move is made or unmade.
bool RookMoveInMake = false;
bool RookMoveInUnmake = false;

// The rook's part of a castling move, by the king's target square.
MOVE castling_rook_move(int kingTo) {
    int from, to;
    switch (kingTo) {
    case SqC1: from = SqA1, to = SqD1; break;
    case SqC8: from = SqA8, to = SqD8; break;
    case SqG1: from = SqH1, to = SqF1; break;
    default: from = SqH8, to = SqF8; break;
    }
    return MOVE(to) | MOVE(from) << MoveFromShift | MOVE(TypeRook) << MoveMoverShift |
           MoveCastlingSquare;
}

void xor_piece_keys(PlyState& s, const PieceEntry& e, bool pawnKeysToo) {
    s.key32 ^= e.key32;
    s.key64 ^= e.key64;
    if (pawnKeysToo) {
        s.pawnKey32 ^= e.key32;
        s.pawnKey64 ^= e.key64;
    }
}

void remove_victim(PlyState& s, PieceEntry& victim, int victimSquare) {
    const PieceMoveRecord& r = *victim.moves;
    int c = victim.colour, sign = victim.sign;
    victim.letter = 0;
    s.mobilityTotal = int16_t(s.mobilityTotal - sign * (r.mobilityScore + r.mobilityCount));
    s.squareValueTotal = int16_t(s.squareValueTotal - r.squareValue);
    s.placementTotal[c] = uint8_t(s.placementTotal[c] - r.placementFlag);
    s.extraTotal = int16_t(s.extraTotal - sign * r.extra);
    s.material = int16_t(s.material - victim.value);
    Bitboard bit = square_bit(victimSquare);
    uint8_t letter = Board[victimSquare].letter;
    switch (letter) {
    case LetterKnight: --s.knightCount[c]; break;
    case LetterQueen:
        if (--s.queenCount[c] == 0) s.queenLost[c] = 1;
        if (s.queenSquare[c] == victimSquare) {
            s.queenSquare[c] = 255;
            for (int slot = 16 * (1 - c); slot <= LastPieceIndex[c]; ++slot) {
                if (PieceList[slot].letter == LetterQueen) {
                    s.queenSquare[c] = PieceList[slot].square;
                    break;
                }
            }
        }
        break;
    case LetterBishop: {
        // The shade stays marked while another bishop of the colour (a promoted one) keeps it.
        --s.bishopCount[c];
        int shade = (victimSquare + (victimSquare >> 3)) & 1;
        s.bishopSquareColour[c][shade] = 0;
        for (int slot = 16 * (1 - c); slot <= LastPieceIndex[c]; ++slot) {
            const PieceEntry& e = PieceList[slot];
            if (e.letter == LetterBishop && ((e.file + e.rank) & 1) == shade)
                s.bishopSquareColour[c][shade] = 1;
        }
        break;
    }
    case LetterRook: --s.rookCount[c]; break;
    case LetterPawn: --s.pawnCount[c]; break;
    default: break;
    }
    if (letter != LetterPawn) {
        s.pieces[c] &= ~bit;
        s.nonPawnMaterial[c] = uint16_t(s.nonPawnMaterial[c] - std::abs(victim.value));
    } else {
        s.pawns[c] &= ~bit;
        s.promotersCount[c] = uint8_t(s.promotersCount[c] - r.canPromote);
    }
    s.phase = gamePhase(s);
    xor_piece_keys(s, victim, letter == LetterPawn);
}

void promote(PlyState& s, PieceEntry& mover, MOVE m) {
    int c = mover.colour;
    s.material = int16_t(s.material - mover.value);
    mover.letter = TypeLetter[move_promotion_type(m)];
    refreshPieceEntry(mover);
    s.material = int16_t(s.material + mover.value);
    --s.pawnCount[c];
    s.nonPawnMaterial[c] = uint16_t(s.nonPawnMaterial[c] + std::abs(mover.value));
    switch (mover.letter) {
    case LetterKnight: ++s.knightCount[c]; break;
    case LetterBishop:
        ++s.bishopCount[c];
        s.bishopSquareColour[c][(mover.file + mover.rank) & 1] = 1;
        break;
    case LetterRook: ++s.rookCount[c]; break;
    default: ++s.queenCount[c]; break;
    }
    s.phase = gamePhase(s);
}

} // namespace

void makeMove(SearchNode& node, MOVE m) {
    PlyState& s = *node.state;
    if (s.searchFlag == 1 && !RookMoveInMake &&
        (m & MoveIdentityMask) != (ExpectedMoves[SearchPly] & MoveIdentityMask))
        s.searchFlag = 0;
    if (m == NULL_MOVE) {
        node.EnPassantSquare = 0;
        SideToMove = uint8_t(1 - SideToMove);
        return;
    }
    int to = move_to(m), from = move_from(m), special = move_special(m);
    PieceEntry& mover = *Board[from].piece;
    int c = mover.colour;
    UndoBank& bank = node.undo[RookMoveInMake ? 1 : 0];
    bank.fromSquare = Board[from];
    bank.toSquare = Board[to];
    bank.mover = mover;

    if (move_captured(m) != 0 || special == MoveEnPassant) {
        int victimSquare = to;
        if (special == MoveEnPassant) {
            victimSquare = to - mover.sign;
            bank.thirdSquare = Board[victimSquare];
        }
        remove_victim(s, *Board[victimSquare].piece, victimSquare);
        if (special == MoveEnPassant) clearSquare(Board[victimSquare]);
    }

    node.EnPassantSquare = 0;
    bool pawn = mover.letter == LetterPawn;
    if (pawn && std::abs(to - from) == 2) {
        for (int side : {-8, 8}) {
            int beside = to + side;
            if (beside < 0 || beside > 63) continue;
            const BoardSquare& b = Board[beside];
            if (b.letter == LetterPawn && b.colour != c)
                node.EnPassantSquare = uint8_t(c == White ? to - 1 : to + 1);
        }
    }

    Bitboard fromBit = square_bit(from), toBit = square_bit(to);
    mover.square = uint8_t(to);
    mover.file = Board[to].file;
    mover.rank = Board[to].rank;
    if (pawn) {
        s.pawns[c] &= ~fromBit;
        (special == MovePromotion ? s.pieces[c] : s.pawns[c]) |= toBit;
    } else {
        s.pieces[c] = (s.pieces[c] & ~fromBit) | toBit;
    }
    xor_piece_keys(s, mover, pawn || mover.letter == LetterKing);
    if (special == MovePromotion) promote(s, mover, m);
    const KeyPair& k = PieceSquareKeys[mover.kind * 64 + to];
    mover.key32 = k.key32;
    mover.key64 = k.key64;
    xor_piece_keys(s, mover, mover.letter == LetterPawn || mover.letter == LetterKing);

    BoardSquare& target = Board[to];
    target.piece = &mover;
    target.slot = mover.slot;
    target.letter = mover.letter;
    target.sign = mover.sign;
    target.colour = mover.colour;
    target.absValue = uint32_t(std::abs(mover.value));
    clearSquare(Board[from]);

    if (special == MoveCastling) {
        RookMoveInMake = true;
        makeMove(node, castling_rook_move(to));
        RookMoveInMake = false;
    }
    if (mover.letter == LetterKing) {
        s.kingSquare[c] = mover.square;
        s.kingFile[c] = mover.file;
        s.kingRank[c] = mover.rank;
        s.kingWing[c] = kingWing(mover.file, s.castlingRights[c]);
    }
    if (!RookMoveInMake) SideToMove = uint8_t(1 - SideToMove);
    if (node.index == 0 && !RookMoveInMake) LastGameMove = m;
}

void unmakeMove(SearchNode& node, MOVE m, int restoreRecords) {
    if (restoreRecords == 1 && !RookMoveInUnmake) {
        for (int i = 0; i < node.regeneratedCount; ++i)
            node.regenerated[i]->moves = node.regenerated[i]->moves->previous;
        node.regeneratedCount = 0;
    }
    if (m == NULL_MOVE) {
        *node.moveAtPly = NO_MOVE;
        SideToMove = uint8_t(1 - SideToMove);
        return;
    }
    int to = move_to(m), from = move_from(m), special = move_special(m);
    PieceEntry& mover = *Board[to].piece;
    if (special == MoveCastling) {
        RookMoveInUnmake = true;
        unmakeMove(node, castling_rook_move(to), 0);
        RookMoveInUnmake = false;
    }
    const UndoBank& bank = node.undo[RookMoveInUnmake ? 1 : 0];
    Board[from] = bank.fromSquare;
    Board[to] = bank.toSquare;
    mover = bank.mover;
    if (special == MoveEnPassant) {
        int victimSquare = to - mover.sign;
        Board[victimSquare] = bank.thirdSquare;
        PieceList[bank.thirdSquare.slot].letter = bank.thirdSquare.letter;
    } else if (move_captured(m) != 0) {
        Board[to].piece->letter = Board[to].letter;
    }
    if (!RookMoveInUnmake) SideToMove = uint8_t(1 - SideToMove);
    *node.moveAtPly = NO_MOVE;
}

void updateCastlingRights(SearchNode& node, MOVE m) {
    PlyState& s = *node.state;
    if ((m & MoveCastlingSquare) == 0) return;
    constexpr uint8_t Rights = CastleKingSide | CastleQueenSide;
    if ((s.castlingRights[White] & Rights) == 0 && (s.castlingRights[Black] & Rights) == 0) return;
    int from = move_from(m), to = move_to(m);
    const PieceEntry& mover = *Board[to].piece;
    struct Right {
        int colour;
        uint8_t bit;
        int rookSquare, kingHome, shortTarget, longTarget;
    };
    static constexpr Right rights[4] = {
        {White, CastleKingSide, SqH1, SqE1, SqG1, SqC1},
        {White, CastleQueenSide, SqA1, SqE1, SqG1, SqC1},
        {Black, CastleKingSide, SqH8, SqE8, SqG8, SqC8},
        {Black, CastleQueenSide, SqA8, SqE8, SqG8, SqC8},
    };
    for (const Right& r : rights) {
        uint8_t& held = s.castlingRights[r.colour];
        if ((held & r.bit) == 0) continue;
        bool ownKing = mover.letter == LetterKing && mover.colour == r.colour;
        if (!ownKing) {
            if (from == r.rookSquare || to == r.rookSquare) held &= uint8_t(~r.bit);
        } else if (from != r.kingHome) {
            held = 0;
        } else {
            held = to == r.shortTarget  ? CastledKingSide
                   : to == r.longTarget ? CastledQueenSide
                                        : 0;
        }
    }
    for (int c = 0; c < 2; ++c) s.kingWing[c] = kingWing(s.kingFile[c], s.castlingRights[c]);
}

SearchNode& playIntoChild(SearchNode& node, MOVE m) {
    SearchNode& child = *node.next;
    *node.nextState = *node.state;
    *node.moveAtPly = m;
    makeMove(child, m);
    updateCastlingRights(child, m);
    return child;
}

void takeBackFromChild(SearchNode& node, MOVE m) {
    unmakeMove(*node.next, m, 1);
}

bool makeTestUnmake(SearchNode& node, MOVE m) {
    int from = move_from(m);
    int side = node.side;
    if (isLegal(node, Board[from].slot, m, KingIndex[side], lastMoveInto(node)) != Legal)
        return false;
    SearchNode& child = *node.next;
    *node.nextState = *node.state;
    makeMove(child, m);
    int enemy = 1 - side;
    bool checks = givesCheckAfterMove(child, m, child.state->kingSquare[enemy], enemy);
    unmakeMove(child, m, 0);
    return checks;
}
