// The search through the real engine binary: the go limits, stop, isready and quit while it
// searches, and what the info and bestmove lines say.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

// A UCI engine ready for a position.
class Go : public ::testing::Test {
  protected:
    void SetUp() override {
        engine.send("uci\nisready\n");
        ASSERT_TRUE(engine.wait_for("readyok\n", 10000)) << engine.output();
    }
    // Sends the lines and waits for the next bestmove line; returns the output since then.
    std::string go(const std::string& lines, int timeout_ms = 30000) {
        const size_t from = engine.output().size();
        engine.send(lines);
        size_t found = std::string::npos;
        const long long end = monotonic_ms() + timeout_ms;
        while ((found = engine.output().find("bestmove", from)) == std::string::npos ||
               engine.output().find('\n', found) == std::string::npos) {
            if (monotonic_ms() > end) return engine.output().substr(from);
            engine.collect(20);
        }
        return engine.output().substr(from);
    }
    static std::string last_line_with(const std::string& text, const std::string& word) {
        std::istringstream in(text);
        std::string line, last;
        while (std::getline(in, line))
            if (line.find(word) != std::string::npos) last = line;
        return last;
    }
    static std::string bestmove(const std::string& text) {
        const std::string line = last_line_with(text, "bestmove");
        std::istringstream words(line);
        std::string word, move;
        words >> word >> move;
        return move;
    }
    // The number after key in line, -1 when key is absent.
    static long long number_after(const std::string& line, const std::string& key) {
        const size_t at = line.find(" " + key + " ");
        if (at == std::string::npos) return -1;
        return std::stoll(line.substr(at + key.size() + 2));
    }

    EngineProcess engine{{"-uci"}};
};

} // namespace

TEST_F(Go, DepthLimitReportsEachDeepIterationAndAMove) {
    const std::string out = go("position startpos moves e2e4\ngo depth 7\n");
    EXPECT_NE(out.find("info depth 7 seldepth"), std::string::npos) << out;
    const std::string info = last_line_with(out, " pv ");
    EXPECT_EQ(number_after(info, "depth"), 7) << info;
    EXPECT_GE(number_after(info, "seldepth"), 7) << info;
    EXPECT_GE(number_after(info, "time"), 0) << info;
    EXPECT_GT(number_after(info, "nodes"), 0) << info;
    EXPECT_NE(info.find(" score cp "), std::string::npos) << info;
    EXPECT_FALSE(bestmove(out).empty());
    EXPECT_EQ(out.find("info depth 8"), std::string::npos) << out;
}

TEST_F(Go, NodeLimitHolds) {
    const std::string out = go("position startpos\ngo nodes 50000\n");
    const std::string info = last_line_with(out, " pv ");
    // The budget is looked at every 16384 nodes.
    EXPECT_LE(number_after(info, "nodes"), 50000 + 16384) << info;
    EXPECT_FALSE(bestmove(out).empty());
}

TEST_F(Go, ASearchCutShortReportsItsLastExactIteration) {
    // The budget runs out in an iteration before its first move has a score: the last line
    // shows the score of the iteration before, not a bound of the unfinished one.
    const std::string out = go("position startpos\ngo nodes 1\n");
    const std::string info = last_line_with(out, " pv ");
    EXPECT_NE(info.find(" score cp "), std::string::npos) << out;
    EXPECT_EQ(info.find("bound"), std::string::npos) << out;
    EXPECT_FALSE(bestmove(out).empty());
}

TEST_F(Go, MatesAreFoundAndReportedInMoves) {
    const struct {
        const char* fen;
        const char* go;
        const char* move;
        const char* mate;
    } cases[] = {
        {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "go depth 6", "d1d8", "score mate 1 "},
        {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10", "go mate 2", "d5f6",
         "score mate 2 "},
        {"1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1", "go mate 3", "d6d1",
         "score mate 3 "},
        {"7k/p7/6K1/8/8/8/8/1R6 b - - 0 1", "go depth 4", "", "score mate -1 "},
    };
    for (const auto& c : cases) {
        const std::string out = go(std::string("position fen ") + c.fen + "\n" + c.go + "\n");
        if (*c.move) {
            EXPECT_EQ(bestmove(out), c.move) << c.fen << "\n" << out;
        }
        EXPECT_NE(last_line_with(out, " pv ").find(c.mate), std::string::npos) << out;
    }
}

TEST_F(Go, InfiniteSearchAnswersIsreadyAndStopsOnStop) {
    engine.send("position startpos\ngo infinite\n");
    engine.collect(300);
    const size_t mark = engine.output().size();
    engine.send("isready\n");
    ASSERT_TRUE(engine.wait_for("readyok\n", 3000));
    // The search goes on after readyok.
    EXPECT_EQ(engine.output().find("bestmove", mark), std::string::npos) << engine.output();
    engine.collect(300);
    EXPECT_EQ(engine.output().find("bestmove", mark), std::string::npos);
    const std::string out = go("stop\n", 5000);
    EXPECT_FALSE(bestmove(out).empty()) << out;
}

TEST_F(Go, QuitDuringASearchEndsAtOnce) {
    engine.send("position startpos\ngo infinite\n");
    engine.collect(200);
    const long long start = monotonic_ms();
    engine.send("quit\n");
    EXPECT_EQ(engine.wait_exit(3000), 0);
    EXPECT_LT(monotonic_ms() - start, 2000);
}

TEST_F(Go, OneLegalMoveIsPlayedAfterOneIteration) {
    const std::string out = go("position fen 7k/8/8/8/8/8/6q1/7K w - - 0 1\ngo depth 20\n");
    EXPECT_EQ(bestmove(out), "h1g2") << out;
    EXPECT_EQ(out.find("info depth 2"), std::string::npos) << out;
}

TEST_F(Go, NoLegalMoveIsAnsweredWithNone) {
    const std::string out = go("position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo depth 5\n");
    EXPECT_EQ(bestmove(out), "(none)") << out;
}

TEST_F(Go, EveryBestMoveOfAShortGameIsLegal) {
    // The engine plays both sides for a few moves; each move must be accepted by the position
    // command that follows (an illegal one would be reported).
    std::string moves;
    for (int ply = 0; ply < 12; ++ply) {
        const std::string out = go("position startpos moves" + moves + "\ngo depth 4\n");
        const std::string move = bestmove(out);
        ASSERT_FALSE(move.empty()) << out;
        ASSERT_EQ(out.find("Illegal"), std::string::npos) << out;
        moves += " " + move;
    }
    const std::string out = go("position startpos moves" + moves + "\ngo depth 1\n");
    EXPECT_EQ(out.find("Illegal"), std::string::npos) << moves << "\n" << out;
}
