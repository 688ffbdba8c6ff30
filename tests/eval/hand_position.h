// A position built by hand for the evaluation rules: the Board occupants, the PieceList entries
// and the ply-state counters the rules read, without move generation. Pieces are written
// "Ke1 Pe4 kd8 pd5": English letters, upper case White, lower case Black.
#pragma once

#include <bit>
#include <cstring>
#include <initializer_list>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "board/geometry.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/eval_tables.h"
#include "eval/evaluate.h"
#include "eval/pawn_structure.h"

inline PieceMoveRecord HandRecords[32];

inline int square_named(const std::string& name) {
    return make_square(name[0] - 'a', name[1] - '1');
}

inline Bitboard king_neighbours(int square) {
    Bitboard b = 0;
    for (int df = -1; df <= 1; ++df)
        for (int dr = -1; dr <= 1; ++dr) {
            int f = file_of(square) + df, r = rank_of(square) + dr;
            if ((df || dr) && f >= 0 && f < 8 && r >= 0 && r < 8)
                b |= square_bit(make_square(f, r));
        }
    return b;
}

struct HandPosition {
    int ply;

    // Places the pieces with sideToMove to move at search ply `ply`; the root (ply 0) gets the
    // same state. Kings get their neighbour squares as attacks, every piece mobility 1.
    explicit HandPosition(const std::string& pieces, uint8_t sideToMove = White, int atPly = 0)
        : ply(atPly) {
        static bool tablesBuilt = false;
        if (!tablesBuilt) {
            initGeometry();
            init_evaluation_tables();
            tablesBuilt = true;
        }
        initSearchNodes();
        std::memset(MoveAtPly, 0, sizeof MoveAtPly);
        for (BoardSquare& b : Board) clearSquare(b);
        std::memset(HandRecords, 0, sizeof HandRecords);
        for (int slot = 0; slot < 32; ++slot) {
            PieceList[slot] = PieceEntry{};
            PieceList[slot].slot = uint8_t(slot);
            PieceList[slot].moves = &HandRecords[slot];
        }
        std::memset(PawnFileInfo, 0, sizeof PawnFileInfo);
        for (int f = 0; f < 8; ++f) {
            PawnFront[White][f] = 0;
            PawnFront[Black][f] = 7;
        }
        PlyState st{};
        st.topPasser[White] = 0;
        st.topPasser[Black] = 63;
        st.queenSquare[White] = st.queenSquare[Black] = 255;
        int nextSlot[2] = {16, 0};
        KingIndex[White] = 8;
        KingIndex[Black] = 25;
        LastPieceIndex[White] = 15;
        LastPieceIndex[Black] = 31;

        std::istringstream words(pieces);
        std::string w;
        while (words >> w) {
            int colour = (w[0] >= 'A' && w[0] <= 'Z') ? White : Black;
            int type = letter_type_of(char(w[0] | 0x20));
            int sq = square_named(w.substr(1));
            int slot;
            if (type == TypeKing) {
                slot = KingIndex[colour];
            } else {
                slot = nextSlot[colour]++;
                if (slot == KingIndex[colour]) slot = nextSlot[colour]++;
            }
            PieceEntry& p = PieceList[slot];
            p.letter = TypeLetter[type];
            p.sign = int8_t(colour_sign(colour));
            p.colour = uint8_t(colour);
            p.value = int16_t(colour_sign(colour) * PieceValue[type]);
            p.square = uint8_t(sq);
            p.file = uint8_t(file_of(sq));
            p.rank = uint8_t(rank_of(sq));
            p.kind = uint8_t(piece_kind(type, colour));
            HandRecords[slot].mobilityCount = 1;
            BoardSquare& b = Board[sq];
            b.letter = p.letter;
            b.sign = p.sign;
            b.colour = p.colour;
            b.slot = uint8_t(slot);
            b.absValue = uint32_t(PieceValue[type]);
            b.piece = &p;
            if (type == TypePawn) {
                st.pawns[colour] |= square_bit(sq);
                st.pawnCount[colour]++;
            } else {
                st.pieces[colour] |= square_bit(sq);
            }
            if (type == TypeKing) {
                st.kingSquare[colour] = uint8_t(sq);
                st.kingFile[colour] = uint8_t(file_of(sq));
                st.kingRank[colour] = uint8_t(rank_of(sq));
                HandRecords[slot].attacks = king_neighbours(sq);
                continue;
            }
            st.material = int16_t(st.material + p.value);
            if (type != TypePawn) st.nonPawnMaterial[colour] += PieceValue[type];
            if (type == TypeKnight) st.knightCount[colour]++;
            if (type == TypeBishop) {
                st.bishopCount[colour]++;
                st.bishopSquareColour[colour][(file_of(sq) + rank_of(sq)) & 1] = 1;
            }
            if (type == TypeRook) st.rookCount[colour]++;
            if (type == TypeQueen) st.queenCount[colour]++;
        }
        int bN = st.nonPawnMaterial[Black], wN = st.nonPawnMaterial[White];
        st.phase = (bN == 0 && wN == 0)         ? 3
                   : (bN >= 1001 && wN >= 1001) ? 0
                   : (bN > 500 || wN > 500)     ? 1
                                                : 2;
        SideToMove = sideToMove;
        SearchPly = int8_t(atPly);
        GamePly = 0;
        standard_start = 0;
        root_side = int8_t(colour_sign(sideToMove));
        root_king_distance = 0;
        PlyStates[atPly] = st;
        PlyStates[0] = st;
        SearchNode& n = SearchNodes[atPly];
        n.side = sideToMove;
        n.opponent = uint8_t(1 - sideToMove);
        n.checkState = 0;
        n.attackMapsValid = 0;
        n.ownAttacks = n.enemyAttacks = 0;
    }

    static int letter_type_of(char english) {
        switch (english) {
        case 'p': return TypePawn;
        case 'n': return TypeKnight;
        case 'b': return TypeBishop;
        case 'r': return TypeRook;
        case 'q': return TypeQueen;
        default: return TypeKing;
        }
    }

    PlyState& state() { return PlyStates[ply]; }
    SearchNode& node() { return SearchNodes[ply]; }

    // Fills the per-file pawn tables and the passer part of the summary from the pawns: a file's
    // front pawn is passed (class 13) when no enemy pawn stands in front of it, else class 7.
    HandPosition& with_passers() {
        PlyState& st = state();
        st.passedCount[White] = st.passedCount[Black] = 0;
        st.topPasser[White] = 0;
        st.topPasser[Black] = 63;
        for (int c = 0; c < 2; ++c) {
            for (int f = 0; f < 8; ++f) {
                uint8_t column = uint8_t(st.pawns[c] >> (8 * f));
                if (!column) continue;
                int front = c == White ? 7 - std::countl_zero(column) : std::countr_zero(column);
                int sq = make_square(f, front);
                PawnFront[c][f] = uint8_t(front);
                PawnFileInfo[c][f].count = uint8_t(std::popcount(column));
                bool passed = (passed_mask(c, sq) & st.pawns[1 - c]) == 0;
                PawnFileInfo[c][f].passed = passed;
                PawnFileInfo[c][f].pawnClass = passed ? 13 : 7;
                if (!passed) continue;
                st.passedCount[c]++;
                bool beyond = c == White ? front > rank_of(st.topPasser[White])
                                         : front < rank_of(st.topPasser[Black]);
                if (beyond) st.topPasser[c] = uint8_t(sq);
            }
        }
        PlyStates[0] = st;
        return *this;
    }
};

// A position, the side to move and the score expected from a scoring function.
struct ScoreCase {
    const char* pieces;
    uint8_t side;
    int16_t expected;
};

// Builds each case with its passers filled in and compares score(node) with the expectation.
inline void expect_scores(std::initializer_list<ScoreCase> cases, int16_t (*score)(SearchNode&)) {
    for (const ScoreCase& c : cases) {
        HandPosition pos(c.pieces, c.side);
        pos.with_passers();
        EXPECT_EQ(score(pos.node()), c.expected) << c.pieces << (c.side == White ? " w" : " b");
    }
}
