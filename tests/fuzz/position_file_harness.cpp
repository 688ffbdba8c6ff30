// A position file read by the console game's reader and set up as the console game sets it up.
#include "fuzz/fuzz_harness.h"

#include <string>

#include "board/legality.h"
#include "board/position.h"
#include "console/parameters.h"
#include "console/position_file.h"
#include "core/settings.h"
#include "fuzz/harness_support.h"
#include "shell/game_moves.h"

const char* fuzz_position_file(const uint8_t* data, size_t size) {
    fuzz_fresh_engine();
    static const std::string path = fuzz_scratch_path("chessbd.pos");
    if (!fuzz_write_file(path, data, size)) return nullptr;
    standard_start = 0;
    if (!read_position_file(path.c_str())) return nullptr;

    // The file says nothing of the side to move: the console asks; both answers are tried.
    for (const int side : {White, Black}) {
        white_to_move_at_start = side == White ? 1 : 0;
        SideToMove = uint8_t(side);
        if (console_start_position_problem() != nullptr) continue;
        if (!setupPosition(uint8_t(side), 0)) continue;
        if (kingAttacked(SearchNodes[0], 1 - side)) continue;
        prepare_new_game_evaluation();
        refresh_game_position();
        if (const char* problem = fuzz_check_game_position()) return problem;
        if (const char* problem = fuzz_search_game_position()) return problem;
    }
    return nullptr;
}
