#include "search/poll.h"

#include "search/root_search.h"
#include "search/search_fixture.h"
#include "search/search_flags.h"

namespace {

class Poll : public SearchFixture {
  protected:
    // A search on the clock after an exact iteration, its node budget just spent, the clock
    // not yet over, the budget not extended: the poll either extends it once or stops.
    static void budget_spent() {
        on_clock = 1;
        unlimited = 0;
        speed_measured = 1;
        pondering = ponder_hit = 0;
        moves_to_go = 0;
        extra_time_flag = 0;
        emergency_mode = restart_requested = 0;
        budget_extended = 0;
        stop_at_root = 1;
        abort_search = stop_deepening = 0;
        node_count = 64 * 4096;
        nodes_at_move_start = 0;
        node_limit = node_count - 1;
        move_start_time = search_start_time = current_time = now_seconds();
        hard_time_limit = 1000;
        RootSign = 1;
        RootHorizon = 4 * 20;
        RootAlpha = -30;
        RootBeta = 30;
        RootScore = PrevScore = 0;
        root_moves_searched = 5;
        last_depth[White] = last_depth[Black] = 0;
    }

    // Polls at a node whose side to move is side; true when the budget was extended.
    static bool extended_at(uint8_t side) {
        SearchNode& node = SearchNodes[3];
        node.side = side;
        node.opponent = uint8_t(1 - side);
        const bool stop = poll(node);
        EXPECT_NE(stop, budget_extended != 0);
        return budget_extended != 0;
    }
};

} // namespace

TEST_F(Poll, ExtensionTestsTakeTheSideToMoveAtThePollingNode) {
    const struct {
        int rootSign, rootScore, prevScore; // PrevScore in White's view
        int lastDepthWhite, horizon;
        uint8_t side;
        bool extended;
        const char* why;
    } cases[] = {
        {+1, -100, 0, 0, 80, White, true, "White's score dropped 100, seen by White"},
        {+1, -100, 0, 0, 80, Black, false, "the same drop is a rise for Black"},
        {+1, +100, 0, 0, 80, Black, true, "White's rise is a drop for Black"},
        {-1, +100, 0, 0, 80, Black, false, "Black's rise of 100, seen by Black"},
        {-1, +100, 0, 0, 80, White, true, "Black's rise is a drop for White"},
        {+1, 0, 0, 40, 16, White, true, "four plies where White's searches reach ten"},
        {+1, 0, 0, 40, 16, Black, false, "Black's searches reach nothing"},
        // Failing low (below RootAlpha -30) after a last score in which White was being mated.
        {+1, -40, -8990, 0, 80, White, true, "failing low while White is being mated"},
        {-1, -40, 8990, 0, 80, Black, false, "the last score is read in White's view"},
    };
    for (const auto& c : cases) {
        budget_spent();
        RootSign = int8_t(c.rootSign);
        RootScore = int16_t(c.rootScore);
        PrevScore = int16_t(c.prevScore);
        last_depth[White] = int8_t(c.lastDepthWhite);
        RootHorizon = int16_t(c.horizon);
        EXPECT_EQ(extended_at(c.side), c.extended) << c.why;
    }
}

TEST_F(Poll, TheClockStopsTheSearchWhateverItsNodeBudget) {
    // Past the hard limit every search with a usable move stops: neither a node budget that a
    // fail low or high extended, nor the poll's own extension, nor the moves to go keep it on.
    const struct {
        int movesToGo;
        bool extended;
        bool emergency;
    } cases[] = {
        {0, false, false}, {0, true, false},  {1, false, false}, {2, true, false},
        {3, false, false}, {40, true, false}, {40, false, true}, {1, true, true},
    };
    for (const auto& c : cases) {
        budget_spent();
        moves_to_go = int16_t(c.movesToGo);
        budget_extended = uint8_t(c.extended);
        emergency_mode = uint8_t(c.emergency);
        node_limit = node_count + 1000000; // the budget is far from spent
        RootScore = -100;                  // the score dropped: the poll would extend
        hard_time_limit = 0.5;
        move_start_time = now_seconds() - 1.0;
        EXPECT_TRUE(poll(SearchNodes[3])) << c.movesToGo << " " << c.extended;
        EXPECT_TRUE(abort_search);
    }
}

TEST_F(Poll, AfterARestartTheShallowSearchEndsAtTheMovesCeiling) {
    // After the restart no iteration has completed: the shallow search goes on past the hard
    // limit to find a move, but not past the latest end of the move when a root move is scored.
    const struct {
        bool scored;
        double elapsed;
        bool stops;
    } cases[] = {
        {true, 1.0, true},   // past the ceiling with a scored move: that move is played
        {false, 1.0, false}, // nothing scored yet: the search must go on
        {true, 0.6, false},  // past the hard limit, within the ceiling: the iteration goes on
    };
    for (const auto& c : cases) {
        budget_spent();
        emergency_mode = 1;
        stop_at_root = 0;
        iteration_has_best = uint8_t(c.scored);
        hard_time_limit = 0.5;
        hard_time_ceiling = 0.8;
        move_start_time = now_seconds() - c.elapsed;
        EXPECT_EQ(poll(SearchNodes[3]), c.stops) << c.scored << " " << c.elapsed;
        EXPECT_EQ(stop_at_root != 0, c.stops);
        EXPECT_TRUE(stop_deepening);
    }
    hard_time_ceiling = NoTimeCeiling;
}
