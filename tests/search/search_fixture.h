// Helpers of the search tests: the game position set through the position command, a clean
// search state, direct calls of the node searches on the game position, and whole searches to a
// depth or a node budget.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "board/consistency.h"
#include "board/draw_rules.h"
#include "board/keys.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "search/hash_table.h"
#include "search/history.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_node.h"
#include "search/search_state.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"
#include "uci/position_command.h"

class SearchFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        init_engine_tables_once();
        reset_dispatcher_state();
        uci_mode = 0; // no reports and no input polling
        console_mode = 0;
        isready_seen = 1;
        max_depth = 60;
        if (HashTable == nullptr) {
            HashMegabytes = 16;
            sizeHashTables();
        }
        clearSearchMemory();
        root_score = last_reported_score = 0;
        abort_search = abort_ponder = stop_deepening = stop_at_root = 0;
        pondering = ponder_hit = 0;
        speed_measured = 0;
        go_depth_limit = 0;
        go_mate_moves = 0;
        on_clock = 0;
        unlimited = 1;
        hard_time_ceiling = NoTimeCeiling;
        SearchPly = 0;
    }

    // "startpos ..." or "fen ... [moves ...]" through the position command.
    static bool set_position(const std::string& words) {
        command_line = "position " + words;
        testing::internal::CaptureStdout();
        parse_command_line(0);
        const std::string said = testing::internal::GetCapturedStdout();
        return position_applied && said.empty();
    }
    static bool set_fen(const std::string& fen) { return set_position("fen " + fen); }

    // The legal move of the game position written as e2e4 (e7e8q) as its piece's list holds it
    // (with its ordering class), 0 when there is none.
    static MOVE game_move(const char* text) {
        const MOVE m = find_uci_move(text);
        if (m == 0) return 0;
        const PieceEntry& piece = *Board[move_from(m)].piece;
        for (const MOVE* list : {piece.moves->captures, piece.moves->quiet})
            for (const MOVE* p = list; *p; ++p)
                if ((*p & MoveIdentityMask) == (m & MoveIdentityMask)) return *p;
        return 0;
    }

    // Node 1 entered from a full update of the game position, for calling quiesce or
    // alphaBetaSearch on the game position itself (they raise SearchPly to 1).
    static SearchNode& position_node() {
        PlyStates[1] = PlyStates[0];
        PlyStates[1].searchFlag = 0;
        MoveAtPly[0] = FullUpdate;
        SearchPly = 0;
        return SearchNodes[1];
    }
    // Gives back the move records rebuilt at node 1.
    static void leave_position_node() {
        SearchNode& node = SearchNodes[1];
        for (int i = 0; i < node.regeneratedCount; ++i)
            node.regenerated[i]->moves = node.regenerated[i]->moves->previous;
        node.regeneratedCount = 0;
        MoveAtPly[0] = 0;
    }

    // A whole search of the game position, as the think step runs it.
    static void search(int depth, uint64_t nodes = 0) {
        resetSearchHistory();
        SearchPly = 0;
        go_depth_limit = depth;
        unlimited = nodes == 0;
        on_clock = 0;
        nodes_at_move_start = node_count;
        node_limit = node_limit_at_move_start = nodes ? node_count + nodes : UINT64_MAX / 2;
        move_start_time = search_start_time = current_time = now_seconds();
        abort_search = stop_at_root = stop_deepening = 0;
        rootSearch();
    }

    static MOVE best() { return rootBestMove(); }
};

// Long algebraic text of a move, for messages and comparisons.
inline std::string uci(MOVE m) {
    std::string s;
    s += char('a' + file_of(move_from(m)));
    s += char('1' + rank_of(move_from(m)));
    s += char('a' + file_of(move_to(m)));
    s += char('1' + rank_of(move_to(m)));
    if (move_special(m) == MovePromotion) s += "nbrq"[move_promotion_type(m) - TypeKnight];
    return s;
}
