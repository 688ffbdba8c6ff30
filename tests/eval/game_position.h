// Test helper: the game position from FEN text, set up and prepared the way the position
// command leaves it.
#pragma once

#include "board/move_table.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/eval_tables.h"
#include "eval/prepare.h"
#include "search/hash_table.h"
#include "uci/fen.h"

inline bool setup_game_position(const char* fen) {
    static bool tablesBuilt = false;
    if (!tablesBuilt) {
        initBoardRules();
        init_evaluation_tables();
        tablesBuilt = true;
    }
    if (!load_fen_fields(fen) || !setupPosition(SideToMove, SetupEnPassant)) return false;
    standard_start = 0;
    // A new game: middle-game piece-square set, and move records rebuilt to carry its values.
    new_game_evaluation_tables();
    buildMoveSquareDelta();
    updateMoves(SearchNodes[0], FullUpdate);
    prepare_evaluation();
    pawnHashProbe(SearchNodes[0]);
    return true;
}
