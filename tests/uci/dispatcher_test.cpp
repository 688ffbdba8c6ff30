#include "uci/dispatcher.h"

#include <gtest/gtest.h>

#include "uci/dispatch_line.h"

#include <cstring>
#include <string>

#include "board/position.h"
#include "book/book.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "search/hash_table.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_node.h"
#include "shell/input_reader.h"
#include "shell/startup.h"
#include "uci/position_command.h"

namespace {

int cell(char file, int rank) {
    return 10 * (file - 'a' + 1) + rank;
}

class Dispatcher : public ::testing::Test {
  protected:
    void SetUp() override {
        init_engine_tables_once();
        reset_dispatcher_state();
        abort_search = abort_ponder = stop_deepening = stop_at_root = 0;
        node_count = node_limit = 0;
        uci_mode = 1;
        console_mode = 0;
        GamePly = 0;
        max_depth = 60;
        on_clock = clock_running = 1;
        unlimited = fixed_move_time = 0;
        moves_to_go = 0;
        time_factor = 170;
        use_book = own_book_option = 1;
    }

    // Dispatches one line at top level (or in a search) and returns what it wrote.
    static std::string run(const std::string& line, int context = 0) {
        return dispatch_line(line, context);
    }

    static void ready_with_position() {
        run("isready");
        run("position startpos");
    }
};

TEST_F(Dispatcher, IsreadyAnswersAndOpensThePositionCommand) {
    EXPECT_EQ(run("position startpos"), "");
    EXPECT_FALSE(position_received); // ignored before the first isready
    EXPECT_EQ(run("go wtime 1000"), "");
    EXPECT_FALSE(go_requested);
    EXPECT_EQ(run("IsReady"), "readyok\n");
    EXPECT_TRUE(isready_seen);
    run("position startpos");
    EXPECT_TRUE(position_received);
    EXPECT_TRUE(standard_start);
    EXPECT_TRUE(command_line.empty());
    EXPECT_FALSE(collecting_args);
}

TEST_F(Dispatcher, GoWithoutItsOwnPositionSearchesTheLastPositionAgain) {
    run("isready");
    // No position yet: the go searches the start position, set up again before the search.
    run("go infinite");
    EXPECT_TRUE(go_requested);
    EXPECT_TRUE(bestmove_due);
    EXPECT_TRUE(go_repeats_position);
    go_requested = 0;
    engine_busy = 0;
    run("position startpos");
    EXPECT_TRUE(position_received);
    run("go infinite");
    EXPECT_TRUE(go_requested);
    EXPECT_TRUE(engine_busy);
    EXPECT_FALSE(position_received);
    EXPECT_FALSE(go_repeats_position);
    go_requested = 0;
    engine_busy = 0;
    // The game position has moved on by the engine's move since: the position line is set
    // again before the search.
    run("go infinite");
    EXPECT_TRUE(go_requested);
    EXPECT_TRUE(go_repeats_position);

    // A refused position is not recorded as the last one, and leaves nothing to search.
    engine_busy = 0;
    EXPECT_EQ(run("position fen 4k3/8/8/8/8/8/8/4RK2 w - - 0 1"), "info Position illegale\n");
    EXPECT_TRUE(position_refused);
    EXPECT_EQ(last_position_line, "position startpos");
    run("position startpos moves e2e4");
    EXPECT_FALSE(position_refused);
    EXPECT_EQ(last_position_line, "position startpos moves e2e4");
}

TEST_F(Dispatcher, GoParametersSetTheClocksAndLimits) {
    struct Case {
        const char* line;
        int white_clock, black_clock, white_inc, black_inc;
        int on, running, fixed, to_go, unlimited_flag;
    };
    const Case cases[] = {
        {"go wtime 60000 btime 30500 winc 2000 binc 999", 60, 30, 2, 0, 1, 1, 0, 0, 0},
        {"go movestogo 20 wtime 60000 btime 60000", 60, 60, 0, 0, 1, 1, 0, 0, 0},
        {"go wtime 60000 btime 60000 movestogo 20", 60, 60, 0, 0, 1, 1, 0, 20, 0},
        {"go movetime 5000", 5, 5, 0, 0, 1, 1, 1, 1, 0},
        {"go wtime 90000 btime 1000 winc 40000 binc 40000", 90, 1, 40, 40, 1, 1, 0, 0, 0},
        {"go infinite", 0, 0, 0, 0, 0, 1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SetUp();
        side_clock[White] = side_clock[Black] = 0;
        increment[White] = increment[Black] = 0;
        ready_with_position();
        run(c.line);
        EXPECT_TRUE(go_requested) << c.line;
        EXPECT_EQ(side_clock[White], c.white_clock) << c.line;
        EXPECT_EQ(side_clock[Black], c.black_clock) << c.line;
        EXPECT_EQ(increment[White], c.white_inc) << c.line;
        EXPECT_EQ(increment[Black], c.black_inc) << c.line;
        EXPECT_EQ(on_clock, c.on) << c.line;
        EXPECT_EQ(clock_running, c.running) << c.line;
        EXPECT_EQ(fixed_move_time, c.fixed) << c.line;
        EXPECT_EQ(moves_to_go, c.to_go) << c.line;
        EXPECT_EQ(unlimited, c.unlimited_flag) << c.line;
    }
}

TEST_F(Dispatcher, NodeDepthAndMateLimits) {
    ready_with_position();
    run("go nodes 123456789012");
    EXPECT_EQ(node_budget, 123456789012);
    EXPECT_EQ(on_clock, 0);
    EXPECT_EQ(clock_running, 1);
    EXPECT_EQ(unlimited, 0);

    engine_busy = 0;
    run("position startpos");
    run("go depth 7");
    EXPECT_EQ(go_depth_limit, 7);
    EXPECT_EQ(unlimited, 1);
    engine_busy = 0;
    run("position startpos");
    run("go infinite");
    EXPECT_EQ(go_depth_limit, 0); // every go starts without a depth limit

    // "go mate n" searches until a mate in n moves is found, and no deeper than such a mate
    // needs; the depth of later searches stays whole. A depth of 0 or less searches one ply.
    const struct {
        const char* line;
        int moves, depth;
    } limits[] = {{"go mate 3", 3, 10},        {"go mate 1", 1, 6},
                  {"go mate 10", 10, 24},      {"go mate 0", 0, 6},
                  {"go mate -4", 0, 6},        {"go mate 80", 80, 164},
                  {"go mate 300", 300, 604},   {"go mate 99999999999", 1000, 2004},
                  {"go depth 0", 0, 1},        {"go depth -3", 0, 1},
                  {"go mate 4 depth 3", 4, 3}, {"go depth 12 mate 2", 2, 8}};
    for (const auto& m : limits) {
        engine_busy = 0;
        run("position startpos");
        run(m.line);
        EXPECT_EQ(go_mate_moves, m.moves) << m.line;
        EXPECT_EQ(go_depth_limit, m.depth) << m.line;
        EXPECT_EQ(max_depth, 60) << m.line;
        EXPECT_EQ(unlimited, 1) << m.line;
    }
}

TEST_F(Dispatcher, ExactKeywordsAndStrayNumbers) {
    ready_with_position();
    side_clock[White] = 7;
    run("GO WTIME 60000 infinite");
    EXPECT_TRUE(go_requested); // go itself is case-insensitive
    EXPECT_EQ(side_clock[White], 7);
    EXPECT_EQ(unlimited, 1);
    EXPECT_EQ(run("42 17 nonsense"), "");
}

TEST_F(Dispatcher, CommandsForTheEngineAtRestWaitForTheSearchToAnswer) {
    ready_with_position();
    run("go infinite");
    const int16_t hash = HashMegabytes;
    // Inside the search: the line is held back and the search is stopped as by "stop".
    for (const char* line : {"position startpos moves e2e4", "go depth 3", "ucinewgame",
                             "setoption name Hash value 1", "ps", "isready go"}) {
        abort_search = abort_ponder = stop_deepening = stop_at_root = 0;
        gui_stop = 0;
        held_line.clear();
        command_line = line;
        testing::internal::CaptureStdout();
        handle_command_line(1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << line;
        EXPECT_FALSE(held_line.empty()) << line;
        EXPECT_TRUE(gui_stop && abort_search && stop_deepening) << line;
        EXPECT_FALSE(abort_ponder) << line; // the search ends with its move, which is answered
        EXPECT_EQ(GamePly, 0) << line;
        EXPECT_EQ(HashMegabytes, hash) << line;
    }
    // Nothing is taken while the line waits; at top level it is done first.
    command_line.clear();
    held_line = "position startpos moves e2e4";
    poll_uci_input(1);
    EXPECT_EQ(held_line, "position startpos moves e2e4");
    engine_busy = 0;
    testing::internal::CaptureStdout();
    poll_uci_input(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(held_line.empty());
    EXPECT_EQ(GamePly, 1);
    EXPECT_TRUE(position_received);

    // Other lines are done inside the search.
    command_line = "isready";
    testing::internal::CaptureStdout();
    handle_command_line(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "readyok\n");

    // In a search on the opponent's time the go is answered at once.
    held_line.clear();
    pondering = 1;
    bestmove_due = 1;
    PvRows[1][0] = find_uci_move("d7d5");
    command_line = "position startpos moves d2d4";
    testing::internal::CaptureStdout();
    handle_command_line(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "bestmove d7d5\ninfo stopping pb\n");
    EXPECT_FALSE(bestmove_due);
    EXPECT_TRUE(abort_ponder);

    // A second position or go in the line of a go ends that line.
    held_line.clear();
    pondering = 0;
    engine_busy = 0;
    run("position startpos");
    run("go depth 2 position startpos moves e2e4 go depth 9");
    EXPECT_EQ(go_depth_limit, 2);
    EXPECT_EQ(GamePly, 0);
}

TEST_F(Dispatcher, StopWhileWaitingAndWhilePondering) {
    node_count = 5000;
    node_limit = 90000;
    EXPECT_EQ(run("stop"), "info situation is uci-wait\n");
    EXPECT_EQ(node_limit, 5000u);
    EXPECT_TRUE(gui_stop);
    EXPECT_TRUE(abort_search && stop_deepening);
    EXPECT_FALSE(abort_ponder || stop_at_root); // soft stop

    // A stopped search on the opponent's time answers with the best move it has so far.
    ready_with_position();
    abort_search = stop_deepening = 0;
    pondering = 1;
    bestmove_due = 1;
    PvRows[1][0] = find_uci_move("g1f3");
    EXPECT_EQ(run("stop", 1), "bestmove g1f3\ninfo stopping pb\n");
    EXPECT_TRUE(abort_search && abort_ponder && stop_deepening && stop_at_root);
    // Once only: a second stop finds the go answered.
    EXPECT_EQ(run("stop", 1), "");
    // Before it has one, with the first legal move.
    bestmove_due = 1;
    PvRows[1][0] = 0;
    EXPECT_EQ(run("stop", 1).rfind("bestmove a2a3\n", 0), 0u);
    // After a ponderhit the search is the engine's own: stop ends it like any other, and the
    // game loop answers with its move.
    bestmove_due = 1;
    abort_search = abort_ponder = stop_deepening = stop_at_root = 0;
    ponder_hit = 1;
    EXPECT_EQ(run("stop", 1), "");
    EXPECT_TRUE(bestmove_due);
    EXPECT_TRUE(abort_search && stop_deepening);
    EXPECT_FALSE(abort_ponder);
}

TEST_F(Dispatcher, PonderhitTakesTheExpectedMove) {
    expected_move = 0x1234;
    pondering = 1;
    run("ponderhit");
    EXPECT_TRUE(ponder_hit);
    EXPECT_TRUE(expected_move_played);
    EXPECT_EQ(opponent_move, 0x1234u);

    reset_dispatcher_state();
    pondering = 1;
    abort_ponder = 1;
    run("ponderhit");
    EXPECT_FALSE(ponder_hit);
    EXPECT_TRUE(expected_move_played);
}

TEST_F(Dispatcher, GoPonderNeedsAHistoryAndThePonderOption) {
    ready_with_position();
    run("go ponder wtime 1000");
    EXPECT_FALSE(pondering); // empty history: an ordinary word
    EXPECT_TRUE(go_requested);

    reset_dispatcher_state();
    ponder_enabled = 1;
    run("isready");
    run("position startpos moves e2e4 e7e5 g1f3"); // a history of three plies
    run("go ponder wtime 3000");
    EXPECT_TRUE(pondering);
    EXPECT_FALSE(go_requested);
    EXPECT_TRUE(ponder_requested);
    EXPECT_EQ(side_clock[White], 3);
}

TEST_F(Dispatcher, SetoptionForms) {
    run("setoption name Hash value 1");
    EXPECT_EQ(HashMegabytes, 1);
    run("setoption name hash value 0");
    EXPECT_EQ(HashMegabytes, 0);
    run("setoption name Hash value 64");
    EXPECT_EQ(HashMegabytes, 64);

    run("setoption name Ponder value true");
    EXPECT_EQ(ponder_enabled, 1);
    run("setoption name Ponder value false");
    EXPECT_EQ(ponder_enabled, 0);
    EXPECT_TRUE(abort_search && stop_at_root);

    run("setoption name Ownbook value false");
    EXPECT_EQ(own_book_option, 0);
    EXPECT_EQ(use_book, 0);
    EXPECT_EQ(saved_use_book, 0);
    run("setoption name OwnBook value true");
    EXPECT_EQ(own_book_option, 1);
    EXPECT_EQ(use_book, 1);

    run("setoption name Allow_5_seconds_to_play_moves_on_real_bord value true");
    EXPECT_EQ(real_board_delay, 1);
    run("setoption name allow_5_seconds_to_play_moves_on_real_bord value TRUE");
    EXPECT_EQ(real_board_delay, 0); // only the exact word true

    run("setoption name Number_of_threads value 4");
    EXPECT_EQ(HashMegabytes, 64);

    EXPECT_EQ(run("setoption name sound value true"), "info option Sound ok\n");
    EXPECT_EQ(sound, 1);
    uci_mode = 0;
    EXPECT_EQ(run("setoption name sound value false"), "option Sound ok\n");
    EXPECT_EQ(sound, 0);
}

TEST_F(Dispatcher, FenFieldsReachTheSetupPosition) {
    run("isready");
    std::memset(SetupBoard, 0, sizeof(SetupBoard));
    run("position fen rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR b Kq e3 0 23 moves g8f6");
    EXPECT_TRUE(position_received);
    EXPECT_FALSE(standard_start);
    EXPECT_EQ(SetupBoard[cell('e', 8)], -'R');
    EXPECT_EQ(SetupBoard[cell('e', 4)], 'P');
    EXPECT_EQ(SetupBoard[cell('e', 5)], -'P');
    EXPECT_EQ(SetupBoard[cell('e', 2)], 0);
    EXPECT_EQ(white_to_move_at_start, 0);
    EXPECT_EQ(SideToMove, White); // black's g8f6 has been played
    EXPECT_EQ(SetupCastlingRights[White], CastleKingSide);
    EXPECT_EQ(SetupCastlingRights[Black], CastleQueenSide);
    EXPECT_EQ(SetupEnPassant, 8 * 5 + 2);
    EXPECT_EQ(move_number_offset, 22);

    run("position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 9");
    EXPECT_EQ(SideToMove, White);
    EXPECT_EQ(SetupCastlingRights[White], 0);
    EXPECT_EQ(SetupEnPassant, 0);
    EXPECT_EQ(move_number_offset, 8);
}

TEST_F(Dispatcher, UcinewgameResetsTheGameState) {
    root_score = 120;
    last_reported_score = -40;
    last_book_ply = 9;
    time_factor = 90;
    collecting_args = 1;
    run("ucinewgame");
    EXPECT_EQ(root_score, 0);
    EXPECT_EQ(last_reported_score, 0);
    EXPECT_EQ(last_book_ply, 0);
    EXPECT_EQ(time_factor, 170);
}

TEST_F(Dispatcher, WordsAreCutAtSpacesAndNewlinesOnly) {
    const std::string long_word(150, 'x');
    std::string line = "go\tinfinite  " + long_word + "\n";
    for (int i = 0; i < 130; ++i) line += " w" + std::to_string(i);
    command_line = line;
    testing::internal::CaptureStdout();
    parse_command_line(0);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(token_count, 132);
    EXPECT_STREQ(token(0), "go\tinfinite");
    EXPECT_EQ(std::strlen(token(1)), 100u);
    EXPECT_STREQ(token(131), "w129");
    EXPECT_STREQ(token(132), "");
    EXPECT_GE(token_capacity, 132);
}

TEST_F(Dispatcher, StatusWordsAndShortcuts) {
    status_text = "Waiting ....";
    EXPECT_EQ(run("where"), "info Waiting ....\n");
    EXPECT_EQ(run("WHAT"), "info Waiting ....\n");

    const struct {
        const char* line;
        const char* replaced;
    } shortcuts[] = {{"go1", "isready"},
                     {"go2", "position startpos moves a2a3"},
                     {"go3", "go btime 99999999 wtime 99999999"},
                     {"ps", "position startpos"},
                     {"GO1", "GO1"},
                     {"go1 ", "go1 "}};
    for (const auto& s : shortcuts) {
        std::string line = s.line;
        replace_shortcut(line);
        EXPECT_EQ(line, s.replaced);
    }
}

} // namespace
