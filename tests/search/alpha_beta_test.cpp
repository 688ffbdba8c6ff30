#include "search/alpha_beta.h"

#include <string>
#include <vector>

#include "search/hash_table.h"
#include "search/search_fixture.h"
#include "search/search_path.h"

namespace {

class AlphaBeta : public SearchFixture {
  protected:
    // alphaBetaSearch on the game position as a node of ply 1.
    static int search_node(int horizon, int nodeType, int alpha, int beta) {
        SearchNode& node = position_node();
        AttackMode = 1;
        const int value =
            alphaBetaSearch(node, horizon, nodeType, alpha, beta, 0, 0, -InfiniteScore);
        leave_position_node();
        return value;
    }
};

} // namespace

TEST_F(AlphaBeta, MateDistancePruningCutsAtOnce) {
    ASSERT_TRUE(set_position("startpos"));
    const uint64_t before = node_count;
    // At ply 1 nothing is worse than being mated here: -9000. A window entirely below it is cut.
    EXPECT_EQ(search_node(16, PvNode, -InfiniteScore, 1 - MateScore), 1 - MateScore);
    EXPECT_EQ(node_count, before);
    EXPECT_EQ(PvRows[1][0], MarkEnd);
    // Nor can anything beat mating at the next ply.
    EXPECT_EQ(search_node(16, PvNode, MateScore - 2, InfiniteScore), MateScore - 2);
}

TEST_F(AlphaBeta, StalemateAndCheckmate) {
    ASSERT_TRUE(set_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_EQ(search_node(12, PvNode, -InfiniteScore, InfiniteScore), 0);
    EXPECT_EQ(PvRows[1][0], MarkStalemate);
    ASSERT_TRUE(set_fen("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_EQ(search_node(12, PvNode, -InfiniteScore, InfiniteScore), 1 - MateScore);
    EXPECT_EQ(PvRows[1][0], MarkMate);
}

TEST_F(AlphaBeta, NullMoveRunsThreePliesShorterOrTwoAgainstAQueeningPasser) {
    // White is far ahead (static score above beta, not in check): a null move is planned.
    ASSERT_TRUE(set_fen("4k3/8/8/8/8/8/7Q/4K2Q w - - 0 1"));
    search_node(24, CutNode, -200, -100);
    EXPECT_EQ(SearchFrames[1].nullHorizonPly, 6 - 3); // N = 6 at ply 1
    // The same with a black pawn one step from a free queening square.
    ASSERT_TRUE(set_fen("4k3/8/8/8/8/8/1p5Q/4K2Q w - - 0 1"));
    search_node(24, CutNode, -200, -100);
    EXPECT_EQ(SearchFrames[1].nullHorizonPly, 6 - 2);
    // No null move in check.
    ASSERT_TRUE(set_fen("4k3/8/8/8/8/8/4r2Q/4K2Q w - - 0 1"));
    search_node(24, CutNode, -200, -100);
    EXPECT_EQ(SearchFrames[1].nullHorizonPly, 127);
}

TEST_F(AlphaBeta, CutNodeFailingLowIsSearchedAgainAsPrincipalVariationNode) {
    ASSERT_TRUE(set_position("startpos"));
    // The start position is worth a little for white: it fails low on a zero window at 300.
    const int value = search_node(12, CutNode, -50, 300);
    EXPECT_LT(value, 300);
    EXPECT_EQ(SearchFrames[1].nodeType, PvNode);
    // Failing high on the zero window at -300 ends it as the cut node it was.
    EXPECT_GE(search_node(12, CutNode, -400, -300), -300);
    EXPECT_EQ(SearchFrames[1].nodeType, CutNode);
}

TEST_F(AlphaBeta, FiftyMoveDrawUnlessTheMoveGivesCheck) {
    ASSERT_TRUE(set_fen("7k/8/8/8/8/8/R7/K7 w - - 0 1"));
    // Ninety-nine reversible half-moves are behind the game position.
    GamePly = 99;
    LastIrreversiblePly = 0;
    PlyStates[0].lastIrreversible = 0;
    storeKeyHistory(0, fullKey(0));
    search(2);
    const SearchFrame& root = SearchFrames[RootPly];
    int draws = 0;
    for (int i = 0; i < root.moveCount; ++i) {
        const MoveEntry& e = root.moves[i];
        if (uci(e.move) == "a2a8" || uci(e.move) == "a2h2")
            EXPECT_NE(e.repState, FiftyDraw) << uci(e.move); // the checks are searched
        else
            draws += e.repState == FiftyDraw;
    }
    EXPECT_EQ(draws, root.moveCount - 2);
}

TEST_F(AlphaBeta, LinesEndAtTheMaximumDepth) {
    ASSERT_TRUE(set_position("startpos"));
    max_depth = 3;
    search(10);
    EXPECT_EQ(RootHorizon / 4, 3);
    int moves = 0;
    while (moves < PvRowLength && !ends_line(PrevPv[RootPly + moves])) ++moves;
    EXPECT_LE(moves, 3);
    max_depth = 60;
}

TEST_F(AlphaBeta, HistoryCountsThePassOfAFrontierCut) {
    // At its horizon, far below alpha: Qxd5 (answered by cxd5) is tried, then the frontier cut
    // ends the pass with the "End" marker in the first slot. The tried capture still counts.
    ASSERT_TRUE(set_fen("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1"));
    const int queen = piece_kind(TypeQueen, White), d5 = make_square(3, 4);
    search_node(4, PvNode, 1000, 1100);
    EXPECT_EQ(PvRows[1][0], MarkEnd);
    EXPECT_EQ(HistoryTried[queen][d5], 2u);
    EXPECT_EQ(HistoryGood[queen][d5], 0u);
    // Quiet moves the cut left untried are not counted.
    EXPECT_EQ(HistoryTried[queen][make_square(3, 3)], 1u);
}

TEST_F(AlphaBeta, KillersShiftEvenWhenTheSameMoveIsBestAgain) {
    ASSERT_TRUE(set_position("startpos"));
    SearchFrame& f = SearchFrames[1];
    const MOVE other = game_move("b1c3");
    f.killer1 = other;
    f.killer2 = 0;
    search_node(8, PvNode, -InfiniteScore, InfiniteScore);
    const MOVE best = PvRows[1][0];
    ASSERT_TRUE(is_real_move(best));
    ASSERT_EQ(move_captured(best), 0u);
    if ((best & MoveIdentityMask) == (other & MoveIdentityMask)) {
        EXPECT_EQ(f.killer1, best);
        EXPECT_EQ(f.killer2, other);
    } else {
        EXPECT_EQ(f.killer1, best);
        EXPECT_EQ(f.killer2, other);
        // Best again: both killers hold it.
        search_node(8, PvNode, -InfiniteScore, InfiniteScore);
        EXPECT_EQ(PvRows[1][0] & MoveIdentityMask, best & MoveIdentityMask);
        EXPECT_EQ(f.killer1 & MoveIdentityMask, best & MoveIdentityMask);
        EXPECT_EQ(f.killer2 & MoveIdentityMask, best & MoveIdentityMask);
    }
}

TEST_F(AlphaBeta, ABoundDecidesAMoveOnlyOnce) {
    MoveEntry e{};
    e.hashState = ProbeBound;
    e.hashBound = BoundUpper;
    e.hashScore = -50;
    e.hashDepth = 3;
    EXPECT_FALSE(entryUsable(e, 4, -100, 100)); // too shallow
    EXPECT_FALSE(entryUsable(e, 3, -100, 100)); // the bound does not decide against alpha
    EXPECT_TRUE(entryUsable(e, 3, -40, 100));
    EXPECT_EQ(e.hashState, ProbeBoundUsed);
    // A later pass searches the move instead of taking the bound again.
    EXPECT_FALSE(entryUsable(e, 3, -40, 100));
    e.hashState = ProbeExact;
    EXPECT_TRUE(entryUsable(e, 3, -40, 100));
}

TEST_F(AlphaBeta, NullMoveFailingLowInTheLastPassLeavesTheRealMovesToSearch) {
    // Middlegame material; White well ahead, but the black pawn on b2 is one step from a free
    // queening square. With the horizon one ply ahead the null move runs in the only pass;
    // after it fails low the real moves must still be searched.
    ASSERT_TRUE(set_fen("r2qk3/8/8/8/8/7Q/1p3PPP/2B2BK1 w - - 0 1"));
    ASSERT_EQ(PlyStates[0].phase, 0);
    search_node(8, CutNode, -1, 0);
    const SearchFrame& f = SearchFrames[1];
    ASSERT_EQ(f.nullHorizonPly, 2);
    EXPECT_GT(f.movesMade, 0);
    EXPECT_NE(PvRows[1][0], NULL_MOVE);
}

TEST(LateMoveReduction, HalfAPlyNearThePrincipalVariationMoreBelowAndDoubledAfterManyQuietMoves) {
    struct Case {
        int pliesBelowPvExit;
        bool listComplete;
        int moveCount, movesMade, quietMovesMade;
        int quarterPlies;
    };
    const Case cases[] = {
        // A list still being generated: many means more than ten quiet moves.
        {1, false, 0, 4, 3, 2},
        {2, false, 0, 12, 10, 2},
        {2, false, 0, 12, 11, 4},
        {3, false, 0, 4, 3, 4},
        {3, false, 0, 12, 11, 8},
        // A complete list: many means half of the quiet moves tried plus the moves to come.
        {1, true, 30, 10, 8, 2},  // 8 < (20 + 8) / 2
        {1, true, 30, 16, 14, 4}, // 14 >= (14 + 14) / 2
        {5, true, 30, 10, 8, 4},
        {5, true, 30, 25, 20, 8},
        {5, true, 6, 6, 1, 8}, // the last move of the list
    };
    for (const Case& c : cases)
        EXPECT_EQ(lateMoveReduction(c.pliesBelowPvExit, c.listComplete, c.moveCount, c.movesMade,
                                    c.quietMovesMade),
                  c.quarterPlies)
            << "plies " << c.pliesBelowPvExit << " complete " << c.listComplete << " moves "
            << c.movesMade << "/" << c.moveCount << " quiet " << c.quietMovesMade;
}

TEST_F(AlphaBeta, FrontierFutilitySkipsAKnightPromotionLikeAnyLateMove) {
    // A cut node one ply from its horizon, its alpha out of reach: the late quiet moves are
    // reduced into the quiescence search and skipped there without being made. The knight
    // promotion b8=N (no check) stands in the quiet list and is skipped as well.
    ASSERT_TRUE(set_fen("4k3/1P6/8/8/8/8/q6r/R2Q2K1 w - - 0 1"));
    ASSERT_EQ(PlyStates[0].phase, 0);
    search_node(8, CutNode, 8600, 8601);
    const SearchFrame& f = SearchFrames[1];
    int skipped = 0;
    const MoveEntry* knight = nullptr;
    for (int i = 0; i < f.moveCount; ++i) {
        const MoveEntry& e = f.moves[i];
        if (uci(e.move) == "b7b8n") knight = &e;
        if (e.tried == 1 && e.repState == 0) ++skipped; // handed out, never made
    }
    ASSERT_NE(knight, nullptr);
    EXPECT_EQ(knight->tried, 1);
    EXPECT_EQ(knight->repState, 0);
    EXPECT_GT(skipped, 1);
}

TEST_F(AlphaBeta, AFailedNullMoveVerificationIsNotSearchedAgainAsPrincipalVariation) {
    // The table holds every move of the position far below the window: the real moves of any
    // pass fail low at once, while the null move fails high (nothing Black can do reaches the
    // window).
    const auto plant = [](const std::string& fen) {
        ASSERT_TRUE(set_fen(fen));
        MOVE legal[RootMoveCapacity + 1];
        const int count = collectLegalMoves(legal, RootMoveCapacity);
        std::vector<std::string> moves;
        for (int i = 0; i < count; ++i) moves.push_back(uci(legal[i]));
        for (const std::string& m : moves) {
            ASSERT_TRUE(set_position("fen " + fen + " moves " + m));
            hashStore(fullKey(0), -5000, 5, BoundExact, 0);
        }
        ASSERT_TRUE(set_fen(fen));
    };
    const SearchFrame& f = SearchFrames[1];
    // The black pawn on b2 is one step from a free queening square: at a cut node one ply from
    // its horizon the null move runs in the node's only pass, and its fail high is verified by
    // the real moves at the same horizon. The verification fails, and with it the node, which is
    // not searched again as a principal-variation node.
    plant("k7/3RQQ2/7K/8/8/8/1p6/8 w - - 0 1");
    EXPECT_EQ(search_node(8, CutNode, -4010, -4000), -5000);
    EXPECT_EQ(f.nullHorizonPly, 2); // the horizon ply: no pass of its own
    EXPECT_EQ(f.nodeType, CutNode);
    // Without the pawn the null move has a pass of its own; the verification failed there, the
    // last pass failed low without a null move, and the node is searched again with the window
    // it was given.
    plant("k7/3RQQ2/7K/8/8/8/8/8 w - - 0 1");
    EXPECT_EQ(search_node(8, CutNode, -4010, -4000), -5000);
    EXPECT_EQ(f.nodeType, PvNode);
}

TEST_F(AlphaBeta, ANodeWhoseEveryMoveWasSkippedIsNoStalemate) {
    // The white king has no move at all; every other move is a quiet one that the frontier
    // futility skips (alpha out of reach, one ply from the horizon). The node has legal moves
    // and none was searched: it scores its alpha with "AS", not 0 as a stalemate.
    ASSERT_TRUE(set_fen("7k/6p1/8/8/8/6BB/6PP/6RK w - - 0 1"));
    EXPECT_EQ(search_node(8, CutNode, 8600, 8601), 8600);
    EXPECT_EQ(PvRows[1][0], MarkAllPruned);
    EXPECT_EQ(SearchFrames[1].movesMade, 0);
}
