// A whole game of the engine against itself through its UCI pipes, each move checked against
// the board rules in this process, until mate, stalemate, repetition or the fifty-move rule.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "board/position.h"
#include "board/root_moves.h"
#include "shell/game_moves.h"
#include "support/engine_process.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"
#include "uci/position_command.h"

namespace {

std::string bestmove_after(EngineProcess& engine, size_t from) {
    const long long end = monotonic_ms() + 20000;
    for (;;) {
        const std::string& out = engine.output();
        const size_t at = out.find("bestmove ", from);
        if (at != std::string::npos) {
            const size_t eol = out.find('\n', at);
            if (eol != std::string::npos) {
                std::istringstream words(out.substr(at, eol - at));
                std::string word, move;
                words >> word >> move;
                return move;
            }
        }
        if (monotonic_ms() > end) return "";
        engine.collect(5);
    }
}

} // namespace

TEST(SelfPlay, AFastGameEndsByTheRules) {
    init_engine_tables_once();
    reset_dispatcher_state();
    isready_seen = 1;
    EngineProcess engine({"-uci"});
    engine.send("uci\nsetoption name Ownbook value false\nisready\n");
    ASSERT_TRUE(engine.wait_for("readyok\n", 10000));

    std::string moves;
    std::string ending;
    for (int ply = 0; ply < 600 && ending.empty(); ++ply) {
        const std::string position = "position startpos" + (moves.empty() ? "" : " moves" + moves);
        const size_t from = engine.output().size();
        engine.send(position + "\ngo nodes 4000\n");
        const std::string move = bestmove_after(engine, from);
        ASSERT_FALSE(move.empty()) << position << "\n" << engine.output().substr(from);

        // The referee: this process's own board, on the same position.
        ASSERT_TRUE(dispatch_line(position).empty()) << position;
        MOVE legal[RootMoveCapacity + 1];
        const int count = collectLegalMoves(legal, RootMoveCapacity);
        if (count == 0) {
            EXPECT_EQ(move, "(none)") << position;
            ending = SearchNodes[0].checkState ? "mate" : "stalemate";
            break;
        }
        const MOVE m = find_uci_move(move.c_str());
        ASSERT_NE(m, 0u) << "illegal " << move << " after " << position;
        moves += " " + move;
        ASSERT_TRUE(dispatch_line("position startpos moves" + moves).empty());
        switch (game_draw_status(m)) {
        case 6: ending = "repetition"; break;
        case 7: ending = "fifty moves"; break;
        default: break;
        }
    }
    EXPECT_FALSE(ending.empty()) << "no end after " << moves;
    engine.send("quit\n");
    EXPECT_EQ(engine.wait_exit(5000), 0);
    std::printf("self-play game ended by %s after%s\n", ending.c_str(), moves.c_str());
}
