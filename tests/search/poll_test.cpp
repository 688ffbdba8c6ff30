#include "search/poll.h"

#include "search/root_search.h"
#include "search/search_fixture.h"

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
