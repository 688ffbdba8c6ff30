#include "search/root_search.h"

#include "search/move_picker.h"
#include "search/report.h"
#include "search/search_fixture.h"

namespace {

class RootSearch : public SearchFixture {};

const char* MateInOne = "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1";

} // namespace

TEST_F(RootSearch, SingleReplyEndsAfterTheFirstIteration) {
    ASSERT_TRUE(set_fen("7k/8/8/8/8/8/6q1/7K w - - 0 1"));
    search(12);
    EXPECT_EQ(uci(best()), "h1g2");
    EXPECT_TRUE(single_reply);
    EXPECT_EQ(RootHorizon / 4, 1);
}

TEST_F(RootSearch, MateInOneEndsTheSearchAtOnce) {
    ASSERT_TRUE(set_fen(MateInOne));
    search(12);
    EXPECT_EQ(uci(best()), "d1d8");
    EXPECT_EQ(RootScore, 8999);
    EXPECT_EQ(RootHorizon / 4, 1);
    EXPECT_EQ(PrevScore, 8999);
}

TEST_F(RootSearch, MatesInTwoAndThreeAreFound) {
    const struct {
        const char* fen;
        const char* move;
        int score;
    } cases[] = {
        {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10", "d5f6", 8997},
        {"1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1", "d6d1", -8995},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(set_fen(c.fen));
        search(7);
        EXPECT_EQ(uci(best()), c.move) << c.fen;
        EXPECT_EQ(PrevScore, c.score) << c.fen; // white's view
    }
}

TEST_F(RootSearch, FailLowWidensAlphaOnceThenTheIterationIsExact) {
    ASSERT_TRUE(set_position("startpos"));
    PrevScore = 500; // the last search promised far more than the position holds
    search(1);
    EXPECT_EQ(RootBeta, 530);
    EXPECT_LT(RootAlpha, 0);
    EXPECT_GT(RootScore, RootAlpha);
    EXPECT_LT(RootScore, RootBeta);

    resetRootState();
    PrevScore = -500; // and the other way round
    search(1);
    EXPECT_EQ(RootAlpha, -530);
    EXPECT_GT(RootBeta, 0);
}

TEST_F(RootSearch, WinningCaptureIsReportedTenHigher) {
    ASSERT_TRUE(set_fen("4k3/pp6/8/3q4/8/4N3/PP6/4K3 w - - 0 1"));
    search(3);
    ASSERT_EQ(uci(best()), "e3d5");
    const SearchFrame& root = SearchFrames[RootPly];
    for (int i = 0; i < root.moveCount; ++i) {
        if (root.moves[i].move == best()) {
            EXPECT_EQ(RootScore, root.moves[i].value + 10);
        }
    }
}

TEST_F(RootSearch, NoTimeLeftBeforeTheFirstIterationRestartsAtFourPlies) {
    ASSERT_TRUE(set_position("startpos moves e2e4 e7e5 g1f3 b8c6"));
    // A clock search that believes it can go deep, with almost no nodes to do it.
    resetSearchHistory();
    SearchPly = 0;
    on_clock = 1;
    unlimited = 0;
    moves_to_go = 0;
    speed_measured = 1;
    allotted_time[White] = 10;
    last_depth[White] = 40;
    side_clock[White] = 100;
    time_used[White] = 0;
    nodes_at_move_start = node_count;
    node_limit = node_limit_at_move_start = node_count + 1;
    move_start_time = search_start_time = current_time = now_seconds();
    hard_time_limit = 60;
    rootSearch();
    // The restart began at four plies and went on while its new budget lasted.
    EXPECT_TRUE(emergency_mode);
    EXPECT_GE(RootHorizon, 16);
    EXPECT_LT(RootHorizon, 4 * 38);
    EXPECT_NE(best(), 0u);
    EXPECT_NE(find_uci_move(uci(best()).c_str()), 0u);
}

TEST_F(RootSearch, ARestartNeverTakesTheMovePastItsCeiling) {
    // The first iteration is cut off when the move has already run 0.5 s, past the latest end
    // its clock allows (0.4 s): the restart's extra time stops at that ceiling (half the elapsed
    // time once took it to 60.25 s), and the shallow search plays the first move it scores.
    ASSERT_TRUE(set_position("startpos moves e2e4 e7e5 g1f3 b8c6"));
    resetSearchHistory();
    SearchPly = 0;
    on_clock = 1;
    unlimited = 0;
    moves_to_go = 0;
    speed_measured = 1;
    allotted_time[White] = 10;
    last_depth[White] = 40;
    side_clock[White] = 100;
    time_used[White] = 0;
    nodes_at_move_start = node_count;
    node_limit = node_limit_at_move_start = node_count + 1;
    move_start_time = search_start_time = current_time = now_seconds() - 0.5;
    hard_time_limit = 60;
    hard_time_ceiling = 0.4;
    rootSearch();
    EXPECT_TRUE(emergency_mode);
    EXPECT_LE(hard_time_limit, 0.4);
    EXPECT_NE(best(), 0u);
    EXPECT_NE(find_uci_move(uci(best()).c_str()), 0u);
}

TEST_F(RootSearch, NoLegalMoveLeavesNoBestMove) {
    ASSERT_TRUE(set_fen("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"));
    search(5);
    EXPECT_EQ(best(), 0u);
    EXPECT_EQ(PvRows[RootPly][0], MarkMate);
    ASSERT_TRUE(set_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    search(5);
    EXPECT_EQ(best(), 0u);
    EXPECT_EQ(PvRows[RootPly][0], MarkStalemate);
}

TEST_F(RootSearch, InfoLines) {
    const struct {
        int score, alpha, beta;
        const char* text;
    } cases[] = {
        {8999, -9999, 9999, " score mate 1 "},
        {-8998, -9999, 9999, " score mate -1 "},
        {8995, -9999, 9999, " score mate 3 "},
        {8997, -9999, 8000, " score mate 99 lowerbound "},
        {-8997, -8000, 9999, " score mate -99 upperbound "},
        {25, -5, 55, " score cp 25 pv"},
        {60, -5, 55, " score cp 60 lowerbound pv"},
        {-8500, -9999, 9999, " score cp -8500 pv"},
    };
    ASSERT_TRUE(set_position("startpos"));
    PvRows[RootPly][0] = game_move("e2e4");
    PvRows[RootPly][1] = MarkHash;
    InfoDepth = 28;
    InfoSelDepth = 40;
    for (const auto& c : cases) {
        RootScore = int16_t(c.score);
        RootAlpha = int16_t(c.alpha);
        RootBeta = int16_t(c.beta);
        const std::string text = iterationInfoText();
        EXPECT_NE(text.find(c.text), std::string::npos) << text;
        EXPECT_EQ(text.rfind("depth 7 seldepth 10 time ", 0), 0u) << text;
        // The line ends with the kind of its end marker: 10 for a line cut at the table.
        EXPECT_EQ(text.substr(text.size() - 8), " e2e4 10") << text;
    }
}

TEST_F(RootSearch, ShallowIterationsAreReportedOnlyWithAMate) {
    ASSERT_TRUE(set_position("startpos"));
    uci_mode = 1;
    PvRows[RootPly][0] = game_move("e2e4");
    PvRows[RootPly][1] = 0;
    iteration_has_best = 1;
    SearchPly = RootPly;
    RootAlpha = -9999;
    RootBeta = 9999;
    RootScore = 20;
    const struct {
        int horizon, score;
        bool forced, reported;
    } cases[] = {{20, 20, false, false},
                 {20, 8999, false, true},
                 {20, 20, true, true},
                 {24, 20, false, true}};
    for (const auto& c : cases) {
        RootHorizon = int16_t(c.horizon);
        RootScore = int16_t(c.score);
        testing::internal::CaptureStdout();
        reportIteration(c.forced);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.rfind("info depth", 0) == 0, c.reported) << c.horizon << " " << out;
    }
    SearchPly = 0;
    uci_mode = 0;
}

TEST_F(RootSearch, ReportedLinesEndAtAThirdRepetition) {
    ASSERT_TRUE(set_position("startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1"));
    search(2); // leaves the root node standing for the game position
    // f6g8 brings the start position for the third time: nothing after it is shown.
    MOVE line[PvRowLength] = {};
    line[0] = game_move("f6g8");
    line[1] = MOVE(make_square(4, 3)) | (MOVE(make_square(4, 1)) << MoveFromShift) |
              (MOVE(TypePawn) << MoveMoverShift) | ClassQuiet; // e2e4 after it
    line[2] = MarkEnd;
    SearchPly = RootPly;
    EXPECT_EQ(extendLineFromTable(line), 1);
    SearchPly = 0;
    EXPECT_EQ(line[0], game_move("f6g8"));
    EXPECT_EQ(line[1], MarkRepetition);
    // One repetition less: the line goes on.
    ASSERT_TRUE(set_position("startpos moves g1f3 g8f6 f3g1"));
    search(2);
    line[0] = game_move("f6g8");
    line[1] = MOVE(make_square(4, 3)) | (MOVE(make_square(4, 1)) << MoveFromShift) |
              (MOVE(TypePawn) << MoveMoverShift) | ClassQuiet;
    line[2] = MarkEnd;
    SearchPly = RootPly;
    EXPECT_EQ(extendLineFromTable(line), 2);
    SearchPly = 0;
}

TEST_F(RootSearch, ReportedLinesEndAtTheFiftyMoveRule) {
    ASSERT_TRUE(set_fen("7k/8/8/8/8/8/R7/K7 w - - 0 1"));
    search(2);
    // Ninety-nine reversible half-moves behind the game position: the next quiet move ends it.
    GamePly = 99;
    LastIrreversiblePly = 0;
    MOVE line[PvRowLength] = {};
    line[0] = game_move("a2b2");
    line[1] = MarkEnd;
    SearchPly = RootPly;
    EXPECT_EQ(extendLineFromTable(line), 1);
    SearchPly = 0;
    EXPECT_EQ(line[1], MarkFifty);
}

TEST_F(RootSearch, PonderMoveOfALineMarkedWithItsBound) {
    ASSERT_TRUE(set_position("startpos"));
    const MOVE e4 = game_move("e2e4");
    const MOVE e5 = MOVE(make_square(4, 4)) | (MOVE(make_square(4, 6)) << MoveFromShift) |
                    (MOVE(TypePawn) << MoveMoverShift) | ClassQuiet;
    PvRows[RootPly][0] = e4;
    PvRows[RootPly][1] = e5;
    EXPECT_EQ(rootPonderMove(), e5);
    // A failed last iteration marked the line: the last exact line's reply stands.
    PvRows[RootPly][1] = MarkUpperBound;
    PrevPv[RootPly] = e4;
    PrevPv[RootPly + 1] = e5;
    EXPECT_EQ(rootPonderMove(), e5);
    PrevPv[RootPly] = game_move("d2d4"); // unless the best move changed
    EXPECT_EQ(rootPonderMove(), 0u);
}

TEST_F(RootSearch, ReportedLinesEndAtANullMove) {
    ASSERT_TRUE(set_position("startpos"));
    search(2);
    // A row that a null move's cut wrote ends with it; the slots behind hold older lines.
    MOVE line[PvRowLength] = {};
    line[0] = game_move("e2e4");
    line[1] = NULL_MOVE;
    line[2] = MOVE(make_square(3, 3)) | (MOVE(make_square(3, 1)) << MoveFromShift) |
              (MOVE(TypePawn) << MoveMoverShift) | ClassQuiet; // d2d4, legal after the pass
    line[3] = MarkHash;
    SearchPly = RootPly;
    EXPECT_EQ(extendLineFromTable(line), 1);
    SearchPly = 0;
    EXPECT_EQ(line[0], game_move("e2e4"));
    EXPECT_EQ(line[1], NULL_MOVE);
    EXPECT_EQ(line[3], MarkHash);
}

TEST_F(RootSearch, RootMovesCountInTheHistory) {
    ASSERT_TRUE(set_position("startpos"));
    search(1); // one ply: the children are quiescence nodes, which keep no history
    uint32_t tried = 0, good = 0;
    for (int kind = 0; kind < KindCount; kind += 2) // white kinds
        for (int sq = 0; sq < 64; ++sq) {
            tried += HistoryTried[kind][sq] - 1;
            good += HistoryGood[kind][sq];
        }
    const SearchFrame& root = SearchFrames[RootPly];
    // Every root move of a pass over the list counts (a pass that fails high ends early; the
    // widened window passes again), and the best move of each pass.
    EXPECT_GE(tried, uint32_t(root.moveCount));
    EXPECT_GE(good, 1u);
    EXPECT_GE(HistoryGood[piece_kind(move_mover(best()), White)][move_to(best())], 1u);
}

TEST_F(RootSearch, FirstIterationPutsMovesOntoSquaresOfCheaperAttackersLast) {
    // The knight on f1 covers d2 and e3: the bishop would stand there attacked by a cheaper
    // piece, as the queen would on h2.
    ASSERT_TRUE(set_fen("4k3/8/8/8/8/8/8/2B1Kn1Q w - - 0 1"));
    search(1);
    const SearchFrame& root = SearchFrames[RootPly];
    int seen = 0;
    for (int i = 0; i < root.moveCount; ++i) {
        const MoveEntry& e = root.moves[i];
        const std::string m = uci(e.move);
        if (m == "c1d2" || m == "c1e3" || m == "h1h2") {
            EXPECT_EQ(e.orderKey, KeyUnsafe) << m << " best " << uci(best());
            ++seen;
        } else if (m == "c1f4" || m == "c1b2") {
            EXPECT_NE(e.orderKey, KeyUnsafe) << m;
        }
    }
    EXPECT_EQ(seen, 3);
}

TEST_F(RootSearch, ExtraNodesNeverWrapBelowZero) {
    node_limit_at_move_start = 1000000;
    EXPECT_EQ(extraNodeAllowance(0), 500000u);
    EXPECT_EQ(extraNodeAllowance(990000), 20000u);
    // An emergency restart moved the start of the move past its first limit.
    EXPECT_EQ(extraNodeAllowance(1500000), 20000u);
}

TEST_F(RootSearch, AFailedIterationGetsMoreNodesAlsoAfterThePollExtendedTheBudget) {
    const struct {
        bool extendedBefore, unlimitedSearch, emergency, restart;
        uint64_t count;
        bool extended;
        const char* why;
    } cases[] = {
        {false, false, false, false, 600000, true, "half of the budget spent"},
        {true, false, false, false, 600000, true, "the poll extended the budget before"},
        {false, false, false, false, 400000, false, "less than half spent"},
        {false, true, false, false, 600000, false, "an unlimited search"},
        {false, false, true, false, 600000, false, "emergency mode"},
        {false, false, false, true, 600000, false, "a restart pending"},
    };
    for (const auto& c : cases) {
        nodes_at_move_start = 0;
        node_limit_at_move_start = node_limit = 1000000;
        node_count = c.count;
        budget_extended = c.extendedBefore;
        no_new_iteration = 0;
        unlimited = c.unlimitedSearch;
        emergency_mode = c.emergency;
        restart_requested = c.restart;
        extendBudgetAfterFailedIteration();
        EXPECT_EQ(node_limit, c.extended ? c.count + 500000 : 1000000u) << c.why;
        EXPECT_EQ(no_new_iteration != 0, c.extended) << c.why;
    }
    emergency_mode = restart_requested = budget_extended = 0;
}
