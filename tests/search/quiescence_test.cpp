#include "search/quiescence.h"

#include "search/search_fixture.h"

namespace {

class Quiescence : public SearchFixture {
  protected:
    // Runs the quiescence search on the game position as the first quiescence ply below a
    // full-width node, quiet checks allowed on that ply when checkLimit is 1.
    static int quiesce_game_position(int alpha, int beta, int checkLimit = 1) {
        SearchNode& node = position_node();
        CheckPlyLimit = checkLimit;
        QuiescenceParent parent{0, -InfiniteScore, false, 0, 0, PvNode};
        const int value = quiesce(node, alpha, beta, 0, parent);
        CheckPlyLimit = 255;
        leave_position_node();
        return value;
    }
};

} // namespace

TEST_F(Quiescence, StandPatFailsHighWithoutLookingAtMoves) {
    ASSERT_TRUE(set_fen("4k3/8/8/8/8/8/8/QQQQK3 w - - 0 1"));
    SearchFrames[1].moveCount = 77; // left alone when no move is generated
    const uint64_t before = node_count;
    const int value = quiesce_game_position(-100, 100);
    EXPECT_GT(value, 100);
    EXPECT_EQ(node_count, before);
    EXPECT_EQ(SearchFrames[1].moveCount, 77);
    EXPECT_EQ(PvRows[1][0], MarkEnd);
}

TEST_F(Quiescence, CaptureThatCannotReachAlphaIsPruned) {
    ASSERT_TRUE(set_fen("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1"));
    const uint64_t before = node_count;
    const int value = quiesce_game_position(500, 600);
    EXPECT_EQ(node_count, before); // exd5 (worth 100) was not searched
    EXPECT_LE(value, 500);
}

TEST_F(Quiescence, CheckmateWithoutEvasionScoresTheMateAtThisPly) {
    ASSERT_TRUE(set_fen("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_EQ(quiesce_game_position(-InfiniteScore, InfiniteScore), 1 - MateScore);
    EXPECT_EQ(PvRows[1][0], MarkMate);
}

TEST_F(Quiescence, QuietMatingCheckIsFoundOnlyWhereChecksAreSearched) {
    // Qd8 mates; the middlegame material keeps quiet checks in the quiescence search.
    const char* fen = "6k1/5ppp/8/8/8/8/rn3PPP/1b1Q1RK1 w - - 0 1";
    ASSERT_TRUE(set_fen(fen));
    EXPECT_EQ(PlyStates[0].phase, 0);
    EXPECT_GE(quiesce_game_position(5000, 9000, 1), 8999);
    ASSERT_TRUE(set_fen(fen));
    EXPECT_LE(quiesce_game_position(5000, 9000, 0), 5000); // below its first ply: no checks
}

TEST_F(Quiescence, CapturesAreResolved) {
    // White takes the loose queen: the score shows the knight up.
    ASSERT_TRUE(set_fen("4k3/pp6/8/3q4/8/4N3/PP6/4K3 w - - 0 1"));
    EXPECT_GT(quiesce_game_position(-InfiniteScore, InfiniteScore), 200);
    // Black to move saves the queen by taking the knight.
    ASSERT_TRUE(set_fen("4k3/pp6/8/3q4/8/4N3/PP6/4K3 b - - 0 1"));
    EXPECT_GT(quiesce_game_position(-InfiniteScore, InfiniteScore), 700);
    // A bare king and knight after the capture is a dead draw.
    ASSERT_TRUE(set_fen("4k3/8/8/3q4/8/4N3/8/4K3 w - - 0 1"));
    EXPECT_EQ(quiesce_game_position(-InfiniteScore, InfiniteScore), 0);
}
