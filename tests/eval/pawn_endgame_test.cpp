#include "eval/pawn_endgame.h"

#include <gtest/gtest.h>

#include "eval/hand_position.h"

TEST(PawnEndgame, PasserOutsideTheKingsSquareWinsTheRace) {
    // c5 needs three moves, the king on h6 five: race (3 + 18) * 20 = 420, plus material 100,
    // king activity -20 and the opposition +1 / -1.
    expect_scores(
        {
            {"Kh1 Pc5 kh6", White, 501},
            {"Kh1 Pc5 kh6", Black, 499},
            // Black's pawn on f4 against a king on a8: the mirror, with Black's unconditional -200
            // for the extra pawn and king activity +10.
            {"Ka8 kh8 pf4", Black, -100 - 200 - 420 + 10 - 1},
        },
        score_pawn_endgame);
}

TEST(PawnEndgame, EqualRaceGoesToTheSideToMoveOnlyWhenItsQueenSeesTheOtherSquare) {
    // b6 and g3 both two moves from queening. A queen on b8 sees nothing of g1 or of a king on
    // h5: no race term. With Black's king on e8 it gives check along the rank: White wins the
    // race, (2 + 18) * 20 = 400.
    expect_scores(
        {
            {"Ka1 Pb6 kh5 pg3", White, 1 - 30},
            {"Ka1 Pb6 ke8 pg3", White, 1 + 400 - 15},
        },
        score_pawn_endgame);
}

TEST(PawnEndgame, KingAndPawnAgainstKing) {
    expect_scores(
        {
            // Black's king holds the ranks in front of the e-pawn.
            {"Ke4 Pe3 ke6", White, 10},
            // King beside its pawn, the defender five ranks up: a win with White to move (100 + 330
            // + opposition 1 + king activity 15), a draw with Black to move.
            {"Kc3 Pd3 kd8", White, 446},
            {"Kc3 Pd3 kd8", Black, 10},
            // The mirror with Black's pawn: Black's draw value.
            {"Ke3 ke5 pe6", Black, -10},
        },
        score_pawn_endgame);
}

TEST(PawnEndgame, RookPawnDraws) {
    expect_scores(
        {
            {"Kc4 Pa5 ka8", White, 10},
            {"Kb3 Pa4 kc6", White, 10},
            {"kc5 ph4 Kh1", Black, -10},
            {"Kg2 Ph4 Ph3 kh8", White, 10},
            // The defending king off the rook pawn's files: no draw (race won, 420).
            {"Kb7 Pa5 kd7", White, 100 - 1 + 420 + 20},
        },
        score_pawn_endgame);
}

TEST(PawnEndgame, NoPawnsIsADraw) {
    expect_scores({{"Ke4 kd6", White, 0}}, score_pawn_endgame);
}

TEST(QueenSees, FilesAndDiagonalsToTheSquareAnyLineToTheKing) {
    HandPosition pos("Ke1 kh5 Pd4");
    const int a8 = square_named("a8"), h1 = square_named("h1"), d8 = square_named("d8");
    EXPECT_TRUE(queen_sees(White, a8, h1));                  // open long diagonal
    EXPECT_FALSE(queen_sees(White, d8, square_named("d1"))); // d4 stands in between
    EXPECT_TRUE(queen_sees(White, d8, square_named("d5")));  // down the file up to d5
    EXPECT_FALSE(queen_sees(White, a8, square_named("h8"))); // a rank does not reach the square
    EXPECT_TRUE(queen_sees(White, square_named("d1"), a8));  // checks h5 along the diagonal
    EXPECT_TRUE(
        queen_sees(Black, square_named("a1"), square_named("c8"))); // rank 1 to White's king
    EXPECT_FALSE(queen_sees(Black, square_named("b8"), square_named("g1")));
}
