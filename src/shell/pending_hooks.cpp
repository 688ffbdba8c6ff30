// Calls from the start-up and the dispatcher into subsystems that are not built yet. Each
// definition here does nothing and is removed when its subsystem lands.
#include <cstdio>

#include "board/position.h"
#include "book/book.h"
#include "console/move_entry.h"
#include "console/parameters.h"
#include "platform/platform.h"
#include "record/game_record.h"
#include "search/history.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "shell/game_loop.h"
#include "shell/settings.h"
#include "shell/think.h"
#include "shell/time_control.h"
#include "uci/dispatcher.h"
#include "uci/uci_output.h"

void append_game_move(uint8_t) {}
void ponder() {}
void load_book(uint8_t) {}
void parameters_dialogue() {}

namespace {

// Until the think step lands: a plain share of the clock, the node budget or no limit, then the
// root search and the bestmove line.
void search_for_go() {
    resetSearchHistory();
    SearchPly = 0;
    nodes_at_move_start = node_count;
    move_start_time = search_start_time = current_time = now_seconds();
    const int side = SideToMove;
    if (on_clock) {
        const int moves = moves_to_go > 0 ? moves_to_go : 30;
        allotted_time[side] = side_clock[side] / moves + increment[side];
        hard_time_limit = allotted_time[side] > 0 ? allotted_time[side] : 0.5;
        const uint64_t budget =
            uint64_t(allotted_time[side] > 0 ? allotted_time[side] : 1) * nodes_per_second;
        node_limit = node_count + (budget < 20000 ? 20000 : budget);
    } else if (!unlimited) {
        node_limit = node_count + uint64_t(node_budget > 0 ? node_budget : 1);
    } else {
        node_limit = UINT64_MAX / 2;
    }
    node_limit_at_move_start = node_limit;
    abort_search = stop_at_root = stop_deepening = 0;
    rootSearch();
    if (suppress_bestmove) {
        suppress_bestmove = 0;
        return;
    }
    const MOVE best = rootBestMove();
    if (best == 0) {
        std::printf("bestmove (none)\n");
    } else {
        std::printf("bestmove %s", move_to_uci(best));
        const MOVE reply = rootPonderMove();
        if (ponder_enabled && reply) std::printf(" ponder %s", move_to_uci(reply));
        std::printf("\n");
    }
    std::fflush(stdout);
}

} // namespace

// Until the game loop lands, UCI mode answers each go with a search and console mode reads keys
// until the input ends.
void game_loop() {
    if (uci_mode)
        for (;;)
            if (uci_wait_for_command() == 0) search_for_go();
    while (platform_read_key() >= 0) {
    }
    engine_quit();
}

int ponder_move_entry() {
    return 0;
}
