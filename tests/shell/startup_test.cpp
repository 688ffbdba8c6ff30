// reset_engine_state: the fuzzing harnesses and the corpus test run many inputs in one process,
// each from the state of a fresh UCI start; whatever a game set must not reach the next input.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include <string>

#include "board/position.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "search/hash_table.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"
#include "uci/position_display.h"

namespace {

void size_hash_tables(int16_t megabytes) {
    HashMegabytes = megabytes;
    testing::internal::CaptureStdout();
    sizeHashTables();
    testing::internal::GetCapturedStdout();
}

std::string game_fen() {
    char fen[100];
    game_position_fen(fen);
    return fen;
}

TEST(Startup, ResetEngineStateForgetsTheGameAndTheSettingsOfTheLastInput) {
    init_engine_tables_once();
    const int16_t hash = HashMegabytes;
    size_hash_tables(1);
    reset_engine_state();
    const std::string fresh = game_fen();

    for (const char* line :
         {"setoption name Ponder value true", "setoption name Ownbook value false", "isready",
          "position fen 4k3/8/8/8/8/8/4P3/4K3 b - - 7 30 moves e8d7 e2e4",
          "go wtime 1000 btime 2000 winc 10 movestogo 3 depth 4"})
        dispatch_line(line);
    ASSERT_TRUE(go_requested);
    ASSERT_NE(game_fen(), fresh);

    reset_engine_state();
    EXPECT_EQ(game_fen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(GamePly, 0);
    EXPECT_FALSE(isready_seen);
    EXPECT_FALSE(go_requested);
    EXPECT_FALSE(engine_busy);
    EXPECT_FALSE(ponder_enabled);
    EXPECT_TRUE(use_book);
    EXPECT_TRUE(own_book_option);
    EXPECT_TRUE(uci_mode);
    EXPECT_TRUE(on_clock);
    EXPECT_EQ(moves_to_go, 0);
    EXPECT_EQ(go_depth_limit, 0);
    EXPECT_EQ(increment_ms[White], 0);
    EXPECT_EQ(max_depth, 60);
    // As after start-up, a position waits for the first isready.
    dispatch_line("position startpos moves e2e4");
    EXPECT_EQ(GamePly, 0);

    size_hash_tables(hash);
}

} // namespace
