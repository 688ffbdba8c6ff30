#include "eval/endgame.h"

#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "eval/hand_position.h"

TEST(EndgameRecognisers, NearDrawMaterialReturnsThePawnsRank) {
    expect_scores(
        {
            // A minor piece on the lone pawn's path, or the king in front of it.
            {"Ke1 Pd4 kh8 nd6", White, 3},  // knight on the pawn's file
            {"Ke1 Pd4 kh8 ne4", White, 3},  // knight covering d6
            {"Ke1 Pd4 kh8 nc4", Black, 3},  // knight covering d6 from the other side
            {"Ke1 Pd4 kd7 na1", White, 3},  // king on the file in front
            {"Kh1 Ne3 kh8 pe5", White, -3}, // Black's pawn: rank - 7
            {"Ke1 Pd4 kh1 bh3", White, 3},  // bishop on the diagonal through d7
            {"Ke1 Pd4 kc6 ba1", White, 3},  // king beside the pawn's path
            {"Ka8 Bc1 kh1 pe4", White,
             -4}, // bishop on the diagonal through e3
                  // A rook against a pawn supported by its king, the rook's king far away.
            {"Kh8 Ra8 kd3 pc3", White, 2},  // Black's pawn on c3: its rank
            {"Ke6 Pf6 ka1 rh1", White, -2}, // White's pawn on f6: rank - 7
        },
        evaluate);
}

TEST(EndgameRecognisers, WrongBishopWithARookPawnDividesBy128) {
    struct Case {
        const char* wrong;
        const char* right;
        int16_t rightScore;
    };
    const Case cases[] = {
        // 430 + 2 * KA(70) - 50 (lone bishop) = 520.
        {"Kc6 Bc1 Pa5 ka8", "Kc6 Bd1 Pa5 ka8", 520},
        {"kc3 bc8 pa4 Ka1", "kc3 bd8 pa4 Ka1", -520},
        {"Kf6 Bd1 Ph5 kh8", "Kf6 Bc1 Ph5 kh8", 520},
    };
    for (const Case& c : cases) {
        HandPosition right(c.right);
        right.with_passers();
        int16_t rightScore = evaluate(right.node());
        EXPECT_EQ(rightScore, c.rightScore) << c.right;
        HandPosition wrong(c.wrong);
        wrong.with_passers();
        EXPECT_EQ(evaluate(wrong.node()), rightScore >> 7) << c.wrong;
    }
}

TEST(EndgameRules, RookAndPawnAgainstRookWithTheDefenderInFront) {
    struct Case {
        const char* pieces;
        int16_t bs;
        int16_t expected;
    };
    const Case cases[] = {
        {"Kc3 Ra1 Pe4 ke6 rh8", 400, 50},   // attacking king away from the pawn
        {"Kd3 Ra1 Pe4 ke6 rh8", 400, 50},   // attacking king near but not advanced
        {"Kd6 Ra1 Pe4 ke5 rh8", 400, 400},  // attacking king on the sixth rank
        {"Kc3 Ra1 Pe4 ka8 rh8", 400, 400},  // defending king not in front
        {"kc6 ra8 pe5 Ke3 Rh1", -400, -50}, // Black's pawn
    };
    for (const Case& c : cases) {
        HandPosition pos(c.pieces);
        pos.with_passers();
        EndgameScore e = score_endgame(pos.node(), c.bs, 0, 0, 0, 0);
        EXPECT_TRUE(e.ended) << c.pieces;
        EXPECT_EQ(e.score, c.expected) << c.pieces;
    }
}

TEST(EndgameRules, LoneMinorPieceAndPawnlessSide) {
    HandPosition pos("Ke1 Nb1 Pa2 Pb2 ke8 rh8");
    pos.with_passers();
    // Knight and two pawns against a rook: the lone knight costs 50; Black's king is too far
    // from the passers for the minor-piece-and-pawns recogniser.
    EndgameScore e = score_endgame(pos.node(), 20, 0, 0, 0, 0);
    EXPECT_FALSE(e.ended);
    EXPECT_EQ(e.score, 20 - 50);

    // The side ahead without pawns loses 100.
    HandPosition bare("Ke1 Ra1 ke8 nb8");
    e = score_endgame(bare.node(), 180, 0, 0, 0, 0);
    EXPECT_EQ(e.score, 180 - 100 + 50);
}
