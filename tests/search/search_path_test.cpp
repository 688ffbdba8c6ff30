#include "search/search_path.h"

#include "eval/pawn_structure.h"
#include "search/search_fixture.h"

namespace {

class SearchPath : public SearchFixture {};

} // namespace

TEST_F(SearchPath, PawnSummaryAfterAKingMoveCountsTheNewShelter) {
    // The white king has just gone from f1 to g1, in front of a half-open g-file; the black
    // queen is on. The summary of this pawn-and-king placement must be the same whether it is
    // made fresh or refreshed at the node before its move lists are updated.
    ASSERT_TRUE(set_fen("r1bq1rk1/pppp1ppp/8/8/8/8/PPPP1P1P/RNBQ1RK1 w - - 0 1"));
    const int16_t fresh = PlyStates[0].openLineDanger[White];
    ASSERT_NE(fresh, 0);
    clearPawnTable();

    SearchNode& node = position_node();
    PlyState& st = *node.state;
    for (uint8_t& count : st.kingShelter) count = 0; // the counts of the king on f1
    st.openLineDanger[White] = 0;
    SearchPly = 1;
    const MOVE kingMove = MOVE(make_square(6, 0)) | MOVE(make_square(5, 0)) << MoveFromShift |
                          MOVE(TypeKing) << MoveMoverShift | ClassQuiet;
    refreshPawnSummary(node, kingMove);
    EXPECT_EQ(st.openLineDanger[White], fresh);
    SearchPly = 0;
    leave_position_node();

    // The table now holds that summary for the placement.
    ASSERT_TRUE(set_fen("r1bq1rk1/pppp1ppp/8/8/8/8/PPPP1P1P/RNBQ1RK1 w - - 0 1"));
    EXPECT_EQ(PlyStates[0].openLineDanger[White], fresh);
}
