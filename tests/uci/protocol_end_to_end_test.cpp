// The protocol through the real engine binary under sequences a GUI may send: one bestmove line
// for every go, with a move legal in that go's position (or "(none)"), one readyok for every
// isready, and an engine that ends with its input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/engine_process.h"
#include "uci/uci_referee.h"

namespace {

constexpr int AnswerWaitMs = 10000;

// A UCI engine that has answered its first isready.
class Protocol : public ::testing::Test {
  protected:
    void SetUp() override {
        engine.send("uci\nisready\n");
        ASSERT_TRUE(engine.wait_for("readyok\n", AnswerWaitMs)) << engine.output();
    }
    // Waits until the output holds count bestmove lines (false after the wait).
    bool wait_for_answers(size_t count, int timeout_ms = AnswerWaitMs) {
        const long long end = monotonic_ms() + timeout_ms;
        while (bestmove_lines(engine.output()).size() < count) {
            if (monotonic_ms() > end) return false;
            engine.collect(10);
        }
        return true;
    }
    std::vector<BestMove> answers() const { return bestmove_lines(engine.output()); }

    EngineProcess engine{{"-uci"}};
};

} // namespace

TEST_F(Protocol, PonderStopsAndPonderhitsGetOneAnswerEach) {
    // After the interface's "move now" (ponderhit then stop) the search on the opponent's time
    // is the engine's own search: it ends and is answered once, and the engine goes on answering.
    const std::string game = "position startpos moves e2e4 e7e5 g1f3";
    const std::string singleReply = "position fen 7k/8/8/8/8/8/5q2/7K b - - 0 1 moves f2g2";
    const struct {
        std::string position, after;
        int pauseMs;
    } cases[] = {
        {game, "ponderhit\nstop\n", 300},
        {game, "ponderhit\nstop\n", 0},
        {game, "stop\n", 300},
        {game, "stop\nponderhit\nstop\n", 100},
        {game, "ponderhit\n", 100},   // answered when the search's time is up
        {singleReply, "stop\n", 300}, // the search on the opponent's time ended by itself
        {singleReply, "ponderhit\n", 300},
    };
    engine.send("setoption name Ponder value true\n");
    size_t expected = 0;
    for (const auto& c : cases) {
        engine.send(c.position + "\ngo ponder wtime 2000 btime 2000\n");
        engine.collect(c.pauseMs);
        engine.send(c.after);
        ASSERT_TRUE(wait_for_answers(++expected)) << c.after << engine.output();
        // Nothing more comes for that go, and the next go is answered.
        engine.send("isready\n");
        engine.collect(200);
        engine.send(c.position + "\ngo depth 2\n");
        ASSERT_TRUE(wait_for_answers(++expected)) << c.after << engine.output();
        engine.collect(100);
        const std::vector<BestMove> found = answers();
        ASSERT_EQ(found.size(), expected) << c.after << engine.output();
        EXPECT_EQ(judge_answer(found[expected - 2], c.position, false), "")
            << found[expected - 2].line;
        EXPECT_EQ(judge_answer(found[expected - 1], c.position, false), "")
            << found[expected - 1].line;
    }
    EXPECT_EQ(count_lines(engine.output(), "readyok"), int(std::size(cases)) + 1);
}

TEST_F(Protocol, RefusedPositionIsNeverSearched) {
    // Black, not to move, in check: refused. The goes that follow answer that there is no move
    // until a position is accepted; the board is never searched.
    engine.send("position startpos moves e2e4\n"
                "position fen 4k3/8/8/8/8/8/8/4RK2 w - - 0 1\n"
                "go depth 5\n"
                "go depth 5\n" // a go without a position of its own: still the refused one
                "position fen 4k3/8/8/8/8/8/8/3KK3 w - - 0 1\n"
                "go wtime 1000 btime 1000\n");
    ASSERT_TRUE(wait_for_answers(3)) << engine.output();
    // An infinite go waits for stop even so.
    engine.send("go infinite\n");
    engine.collect(200);
    EXPECT_EQ(answers().size(), 3u) << engine.output();
    engine.send("stop\n");
    ASSERT_TRUE(wait_for_answers(4)) << engine.output();
    engine.send("position startpos moves e2e4\ngo depth 3\n");
    ASSERT_TRUE(wait_for_answers(5)) << engine.output();
    engine.collect(100);
    const std::vector<BestMove> found = answers();
    ASSERT_EQ(found.size(), 5u) << engine.output();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(found[i].line, "bestmove (none)") << i;
    EXPECT_EQ(judge_answer(found[4], "position startpos moves e2e4", false), "") << found[4].line;
    EXPECT_EQ(count_lines(engine.output(), "info Position illegale"), 2) << engine.output();
}

TEST_F(Protocol, QueuedCommandsAreDoneAtTheEndOfInput) {
    // Two goes and an isready sent at once, and the input closed: both goes are answered in
    // the position given, the isready too, and the engine ends.
    engine.send("position startpos moves d2d4\ngo depth 3\ngo depth 3\nisready\n");
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(AnswerWaitMs), 0);
    const std::vector<BestMove> found = answers();
    ASSERT_EQ(found.size(), 2u) << engine.output();
    for (const BestMove& b : found)
        EXPECT_EQ(judge_answer(b, "position startpos moves d2d4", false), "") << b.line;
    EXPECT_EQ(count_lines(engine.output(), "readyok"), 2);
}

TEST_F(Protocol, ASearchThatWaitsForTheInterfaceEndsWithItsInput) {
    // The interface died during analysis: the search ends, answers, and the engine exits. A
    // search with a limit finishes first.
    const struct {
        const char* lines;
        const char* position;
        size_t goes;
        int depth; // a depth the last search must report before it answers, 0 none
    } cases[] = {
        {"position startpos\ngo infinite\n", "position startpos", 1, 0},
        {"setoption name Ponder value true\nposition startpos moves e2e4\n"
         "go ponder wtime 60000 btime 60000\n",
         "position startpos moves e2e4", 1, 0},
        // The mode of the go before, without its depth: no limit at all.
        {"position startpos\ngo depth 1\ngo\n", "position startpos", 2, 0},
        {"position startpos moves g1f3\ngo depth 6\n", "position startpos moves g1f3", 1, 6},
    };
    for (const auto& c : cases) {
        EngineProcess run({"-uci"});
        run.send("uci\nisready\n");
        run.send(c.lines);
        run.collect(300);
        const long long start = monotonic_ms();
        run.close_input();
        EXPECT_EQ(run.wait_exit(AnswerWaitMs), 0) << c.lines;
        EXPECT_LT(monotonic_ms() - start, 5000) << c.lines;
        const std::vector<BestMove> found = bestmove_lines(run.output());
        ASSERT_EQ(found.size(), c.goes) << c.lines << run.output();
        for (const BestMove& b : found) EXPECT_EQ(judge_answer(b, c.position, false), "") << b.line;
        if (c.depth > 0) {
            const std::string reached = "info depth " + std::to_string(c.depth) + " seldepth";
            EXPECT_NE(run.output().find(reached), std::string::npos) << run.output();
        }
    }
}

TEST_F(Protocol, GoMateWithoutAMateIsAnswered) {
    engine.send("position startpos moves e2e4 e7e5\ngo mate 1\n");
    ASSERT_TRUE(wait_for_answers(1, 30000)) << engine.output();
    EXPECT_EQ(judge_answer(answers()[0], "position startpos moves e2e4 e7e5", false), "");
    // A later search is not limited by it.
    engine.send("go depth 8\n");
    ASSERT_TRUE(wait_for_answers(2, 30000)) << engine.output();
    EXPECT_NE(engine.output().find("info depth 8 seldepth"), std::string::npos);
}

TEST_F(Protocol, APositionOrGoDuringASearchFirstEndsItWithItsAnswer) {
    // An interface that sends a new position and go without stop: the running go is answered
    // first, in its own position, then the new one.
    engine.send("position startpos\ngo infinite\n");
    engine.collect(200);
    engine.send("position startpos moves e2e4\ngo depth 3\n");
    ASSERT_TRUE(wait_for_answers(2)) << engine.output();
    engine.send("go infinite\n");
    engine.collect(200);
    engine.send("ucinewgame\nisready\nposition startpos moves g1f3\ngo depth 2\n");
    ASSERT_TRUE(wait_for_answers(4)) << engine.output();
    engine.collect(100);
    const std::vector<BestMove> found = answers();
    ASSERT_EQ(found.size(), 4u) << engine.output();
    EXPECT_EQ(judge_answer(found[0], "position startpos", false), "") << found[0].line;
    EXPECT_EQ(judge_answer(found[1], "position startpos moves e2e4", false), "") << found[1].line;
    EXPECT_EQ(judge_answer(found[2], "position startpos moves e2e4", false), "") << found[2].line;
    EXPECT_EQ(judge_answer(found[3], "position startpos moves g1f3", false), "") << found[3].line;
    EXPECT_EQ(count_lines(engine.output(), "readyok"), 2);
}

TEST(ProtocolStart, APositionAndGoBeforeAnyIsreadyAreDone) {
    EngineProcess engine({"-uci"});
    engine.send("uci\nposition startpos moves e2e4\ngo depth 2\n");
    ASSERT_TRUE(engine.wait_for("bestmove", AnswerWaitMs)) << engine.output();
    engine.collect(100);
    const std::vector<BestMove> found = bestmove_lines(engine.output());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(judge_answer(found[0], "position startpos moves e2e4", false), "") << found[0].line;
    EXPECT_EQ(count_lines(engine.output(), "readyok"), 0);
}
