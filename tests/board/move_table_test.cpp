#include <vector>

#include <gtest/gtest.h>

#include "board/geometry.h"
#include "board/move_table.h"
#include "fen_fixture.h"

namespace {

std::vector<MOVE> list_at(const MOVE* p) {
    std::vector<MOVE> moves;
    for (; *p; ++p) moves.push_back(*p);
    return moves;
}

struct Expected {
    const char* to;
    MOVE special;
    int promotion; // type, 0 for none
};

void expect_list(int square, int kind, const std::vector<Expected>& expected) {
    std::vector<MOVE> moves = list_at(MoveTable[square][kind][0]);
    ASSERT_EQ(moves.size(), expected.size());
    for (size_t i = 0; i < moves.size(); ++i) {
        EXPECT_EQ(move_from(moves[i]), square) << i;
        EXPECT_EQ(move_to(moves[i]), sq(expected[i].to)) << i;
        EXPECT_EQ(MOVE(move_special(moves[i])), expected[i].special) << i;
        if (expected[i].promotion) {
            EXPECT_EQ(move_promotion_type(moves[i]), expected[i].promotion);
        }
    }
}

} // namespace

TEST(MoveTable, PawnListsFollowTheFixedOrder) {
    init_board_rules_once();
    int whitePawn = piece_kind(TypePawn, White);
    expect_list(sq("e2"), whitePawn, {{"e3", 0, 0}, {"e4", 0, 0}, {"d3", 0, 0}, {"f3", 0, 0}});
    expect_list(sq("e5"), whitePawn,
                {{"e6", 0, 0},
                 {"d6", 0, 0},
                 {"d6", MoveEnPassant, 0},
                 {"f6", 0, 0},
                 {"f6", MoveEnPassant, 0}});
    const MOVE P = MovePromotion;
    expect_list(sq("b7"), whitePawn,
                {{"b8", P, TypeQueen},
                 {"b8", P, TypeRook},
                 {"b8", P, TypeBishop},
                 {"b8", P, TypeKnight},
                 {"a8", P, TypeQueen},
                 {"a8", P, TypeRook},
                 {"a8", P, TypeBishop},
                 {"a8", P, TypeKnight},
                 {"c8", P, TypeQueen},
                 {"c8", P, TypeRook},
                 {"c8", P, TypeBishop},
                 {"c8", P, TypeKnight}});
    int blackPawn = piece_kind(TypePawn, Black);
    expect_list(sq("a7"), blackPawn, {{"a6", 0, 0}, {"a5", 0, 0}, {"b6", 0, 0}});
    expect_list(sq("h4"), blackPawn, {{"h3", 0, 0}, {"g3", 0, 0}, {"g3", MoveEnPassant, 0}});
    EXPECT_EQ(*MoveTable[sq("e1")][whitePawn][0], 0u); // no pawn list on the first rank
}

TEST(MoveTable, CodesCarryTypeClassAndCastlingSquareFlag) {
    init_board_rules_once();
    std::vector<MOVE> e2 = list_at(MoveTable[sq("e2")][piece_kind(TypePawn, White)][0]);
    EXPECT_EQ(e2[0] & MoveClassMask, ClassQuiet);
    EXPECT_EQ(move_mover(e2[0]), TypePawn);
    EXPECT_EQ(move_captured(e2[2]), TypePawn);
    EXPECT_EQ(e2[2] & MoveClassMask, ClassPawnCapture);
    std::vector<MOVE> b7 = list_at(MoveTable[sq("b7")][piece_kind(TypePawn, White)][0]);
    EXPECT_EQ(b7[0] & MoveClassMask, ClassPromotion); // to D
    EXPECT_EQ(b7[3] & MoveClassMask, ClassQuiet);     // to C
    std::vector<MOVE> king = list_at(MoveTable[sq("e1")][piece_kind(TypeKing, White)][0]);
    ASSERT_EQ(king.size(), 7u);
    EXPECT_EQ(king[5], MOVE(SqG1 | SqE1 << MoveFromShift | TypeKing << MoveMoverShift | ClassQuiet |
                            MoveCastling | MoveCastlingSquare));
    EXPECT_EQ(move_to(king[6]), SqC1);
    EXPECT_EQ(list_at(MoveTable[sq("e2")][piece_kind(TypeKing, White)][0]).size(), 8u);
    // h1 is a castling square, h2 -> h3 touches none.
    MOVE rook = *MoveTable[SqH1][piece_kind(TypeRook, White)][0];
    EXPECT_TRUE(rook & MoveCastlingSquare);
    EXPECT_FALSE(e2[0] & MoveCastlingSquare);
}

TEST(MoveTable, SliderRaysRunNearToFarInRayOrder) {
    init_board_rules_once();
    int queen = piece_kind(TypeQueen, White);
    const int expectedLengths[8] = {7, 7, 7, 0, 0, 0, 0, 0}; // +1, +9, +8, +7, -1, -9, -8, -7
    for (int ray = 0; ray < 8; ++ray)
        EXPECT_EQ(list_at(MoveTable[SqA1][queen][ray]).size(), size_t(expectedLengths[ray]));
    std::vector<MOVE> up = list_at(MoveTable[SqA1][queen][0]);
    EXPECT_EQ(move_to(up.front()), sq("a2"));
    EXPECT_EQ(move_to(up.back()), sq("a8"));
    // Rook rays: up, down, towards h, towards a. Bishop rays: +9, +7, -7, -9.
    int rook = piece_kind(TypeRook, Black);
    EXPECT_EQ(move_to(*MoveTable[sq("d4")][rook][1]), sq("d3"));
    EXPECT_EQ(move_to(*MoveTable[sq("d4")][rook][2]), sq("e4"));
    int bishop = piece_kind(TypeBishop, White);
    EXPECT_EQ(move_to(*MoveTable[sq("d4")][bishop][1]), sq("e3"));
    EXPECT_EQ(move_to(*MoveTable[sq("d4")][bishop][2]), sq("c5"));
    EXPECT_LE(MovePoolUsed, MovePoolSize);
    EXPECT_EQ(MovePool[0], 0u);
}

TEST(Geometry, DirectionsStepsAndBitScan) {
    init_board_rules_once();
    struct {
        const char *from, *to;
        int step;
    } cases[] = {{"e1", "h4", 9}, {"e1", "f3", 10}, {"e1", "f4", 99}, {"e1", "e1", 0},
                 {"e1", "e8", 1}, {"e1", "a1", -8}, {"h8", "a1", -9}, {"a8", "h1", 7}};
    for (const auto& c : cases)
        EXPECT_EQ(direction_step(sq(c.from), sq(c.to)), c.step) << c.from << c.to;
    EXPECT_EQ(StepCount[sq("e1") * 64 + sq("f4")], 3);
    EXPECT_EQ(DirectionNumber[sq("e1") * 64 + sq("f4")], 255);
    EXPECT_EQ(StepsToEdge[sq("e1") * 16 + 0], 7);
    EXPECT_EQ(StepsToEdge[sq("a1") * 16 + 8], 1); // +10 stays on the board
    EXPECT_EQ(StepsToEdge[sq("h1") * 16 + 8], 0);
    EXPECT_EQ(RayMask[sq("e4") * 8 + 0], square_bit(sq("e5")) | square_bit(sq("e6")) |
                                             square_bit(sq("e7")) | square_bit(sq("e8")));
    EXPECT_EQ(PawnAttacks[White * 64 + sq("e4")], square_bit(sq("d3")) | square_bit(sq("f3")));
    EXPECT_EQ(PawnReach[White * 64 + sq("a2")],
              square_bit(sq("a3")) | square_bit(sq("a4")) | square_bit(sq("b3")));
    EXPECT_EQ(PassedMask[Black * 64 + sq("a3")], square_bit(sq("a2")) | square_bit(sq("a1")) |
                                                     square_bit(sq("b2")) | square_bit(sq("b1")));
    for (int i = 0; i < 64; ++i) EXPECT_EQ(lowest_bit(square_bit(i) | square_bit(63)), i);
}

TEST(MoveTable, SquareDeltasFollowTheBoardValues) {
    init_board_rules_once();
    auto delta = [](int kind, const char* from, const char* to) {
        return MoveSquareDelta[(kind * 64 + sq(from)) * 64 + sq(to)];
    };
    int whiteKing = piece_kind(TypeKing, White), blackKing = piece_kind(TypeKing, Black);
    int whiteKnight = piece_kind(TypeKnight, White), whiteRook = piece_kind(TypeRook, White);
    int8_t saved[64][KindCount];
    for (int s = 0; s < 64; ++s)
        for (int k = 0; k < KindCount; ++k) saved[s][k] = Board[s].pieceSquare[k];
    Board[sq("f3")].pieceSquare[whiteKnight] = 12;
    Board[sq("g1")].pieceSquare[whiteKnight] = -5;
    Board[sq("a1")].pieceSquare[whiteRook] = 3;
    PlyStates[0].phase = 1; // outside the opening only knights and pawns carry values
    buildMoveSquareDelta();
    EXPECT_EQ(delta(whiteKnight, "g1", "f3"), 17);
    EXPECT_EQ(delta(whiteRook, "a1", "a2"), 0);
    EXPECT_EQ(delta(whiteKing, "e1", "g1"), 60);
    EXPECT_EQ(delta(whiteKing, "e1", "c1"), 40);
    EXPECT_EQ(delta(blackKing, "e8", "g8"), -60);
    EXPECT_EQ(delta(blackKing, "e8", "c8"), -40);
    PlyStates[0].phase = 0;
    buildMoveSquareDelta();
    EXPECT_EQ(delta(whiteRook, "a1", "a2"), -3);
    for (int s = 0; s < 64; ++s)
        for (int k = 0; k < KindCount; ++k) Board[s].pieceSquare[k] = saved[s][k];
    buildMoveSquareDelta();
}
