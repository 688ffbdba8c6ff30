// End-to-end runs of the real engine binary through pipes.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

namespace {

const std::string Handshake = "id name Talvor 2.60a\n"
                              "id author Kalodra\n"
                              "option name Ponder type check default false\n"
                              "option name Hash type spin default 64 min 0 max 256\n"
                              "option name Ownbook type check default true\n"
                              "option name Allow_5_seconds_to_play_moves_on_real_bord type check "
                              "default false\n"
                              "uciok\n";

const std::string Banner = "\nMove = 4"
                           "\nPointeur* = " +
                           std::to_string(sizeof(void*)) +
                           "\nint64 = 8"
                           "\nint32 = 4"
                           "\nlong = 4"
                           "\nint = 4"
                           "\nshort = 2"
                           "\nchar = 2"
                           "\nMOVE = 4"
                           "\nHash-rec = 24"
                           "\nHash-pawn-rec = 24"
                           "\n\n**** Talvor-(ex-Pellan)-- Orvandel - Talvor 2.60a"
                           "**************************\n"
                           "\nLoading ...\n"
                           "\nAvailable commands :"
                           "\nFormat for moves is : E2E4"
                           "\nTB : Take Back"
                           "\nCM : Change Mode-Color"
                           "\nA for Automatic-play, C for Control, B for white, N for black"
                           "\nP : Force play by the program"
                           "\nCTB or CTN : Change Time White/Black"
                           "\n\nParameters :";

// Lines of the output other than the table-size and book messages of later start-up steps.
std::string protocol_lines(const std::string& output) {
    std::string kept;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        const std::string line = output.substr(start, end - start);
        if (!line.empty() && line.rfind("info", 0) != 0) kept += line + "\n";
        start = end + 1;
    }
    return kept;
}

TEST(EngineRun, UciLineHandshakeIsreadyAndQuit) {
    EngineProcess engine;
    engine.send("uci\n");
    ASSERT_TRUE(engine.wait_for("uciok\n", 5000)) << engine.output();
    EXPECT_EQ(engine.output(), Handshake);
    engine.send("isready\n");
    ASSERT_TRUE(engine.wait_for("readyok\n", 5000));
    const long long start = monotonic_ms();
    engine.send("quit\n");
    EXPECT_EQ(engine.wait_exit(5000), 0);
    EXPECT_LT(monotonic_ms() - start, 1000);
    EXPECT_EQ(protocol_lines(engine.output()), Handshake + "readyok\n");
}

TEST(EngineRun, UciArgumentAnswersAtOnceAndIgnoresALaterUci) {
    EngineProcess engine({"-UCI"});
    ASSERT_TRUE(engine.wait_for("uciok\n", 2000));
    engine.send("uci\nisready\n");
    ASSERT_TRUE(engine.wait_for("readyok\n", 5000));
    engine.send("go1\nGO1\nps\nstop\n");
    ASSERT_TRUE(engine.wait_for("uci-wait\n", 5000));
    engine.send("quit\n");
    EXPECT_EQ(engine.wait_exit(5000), 0);
    EXPECT_EQ(protocol_lines(engine.output()), Handshake + "readyok\nreadyok\n");
    EXPECT_NE(engine.output().find("info situation is uci-wait\n"), std::string::npos);
}

TEST(EngineRun, LinesBeforeTheModeLineAreIgnored) {
    EngineProcess engine;
    engine.send("isready\nhello\nUCI\nisready\n");
    ASSERT_TRUE(engine.wait_for("readyok\n", 5000));
    engine.send("quit\n");
    EXPECT_EQ(engine.wait_exit(3000), 0);
    EXPECT_EQ(protocol_lines(engine.output()), Handshake + "readyok\n");
}

TEST(EngineRun, QuitAsFirstLineChoosesUciAndKeepsRunning) {
    EngineProcess engine;
    engine.send("quit\n");
    ASSERT_TRUE(engine.wait_for("uciok\n", 5000));
    engine.collect(300);
    EXPECT_EQ(engine.wait_exit(0), -1); // still running
}

TEST(EngineRun, QuitBeforeTheFirstIsready) {
    EngineProcess engine({"uci"});
    engine.send("setoption name Hash value 1\nquit\n");
    EXPECT_EQ(engine.wait_exit(3000), 0);
    EXPECT_EQ(protocol_lines(engine.output()), Handshake);
}

TEST(EngineRun, ConsoleLineShowsTheBanner) {
    for (const char* line : {"console\n", "CoNs\n"}) {
        EngineProcess engine;
        engine.send(line);
        ASSERT_TRUE(engine.wait_for("Parameters :", 5000)) << line;
        EXPECT_EQ(engine.output().substr(0, Banner.size()), Banner) << line;
        engine.close_input();
        EXPECT_EQ(engine.wait_exit(3000), 0) << line;
    }
}

TEST(EngineRun, TwoArgumentsRequestNoMode) {
    EngineProcess engine({"-uci", "extra"});
    engine.send("cons\n");
    ASSERT_TRUE(engine.wait_for("Parameters :", 5000));
    EXPECT_EQ(engine.output().find("uciok"), std::string::npos);
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(3000), 0);
}

TEST(EngineRun, ConsoleModeEndsWithItsInput) {
    EngineProcess engine({"-console"});
    engine.send("E2E4\nTB\n");
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(3000), 0);
    EXPECT_EQ(engine.output().substr(0, Banner.size()), Banner);
}

TEST(EngineRun, ClosingInputEndsAWaitingEngine) {
    struct Case {
        std::vector<std::string> arguments;
        const char* input;
    };
    const Case cases[] = {
        {{"-uci"}, "isready\n"},                     // waiting for a command
        {{"-uci"}, "setoption name Hash value 1\n"}, // before the first isready
        {{}, ""},                                    // while the mode is still undecided
    };
    for (const Case& c : cases) {
        EngineProcess engine(c.arguments);
        engine.send(c.input);
        engine.collect(300);
        const long long start = monotonic_ms();
        engine.close_input();
        EXPECT_EQ(engine.wait_exit(3000), 0) << c.input;
        EXPECT_LT(monotonic_ms() - start, 1000) << c.input;
    }
}

TEST(EngineRun, LastLineWithoutNewlineStillCounts) {
    EngineProcess engine({"-uci"});
    engine.send("isready");
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(3000), 0);
    EXPECT_NE(engine.output().find("readyok\n"), std::string::npos);
}

TEST(EngineRun, NoInputForTenSecondsChoosesUci) {
    EngineProcess engine;
    const long long start = monotonic_ms();
    ASSERT_TRUE(engine.wait_for("uciok\n", 13000));
    const long long waited = monotonic_ms() - start;
    EXPECT_GE(waited, 9500);
    EXPECT_EQ(engine.output(), Handshake);
    engine.send("quit\n");
    EXPECT_EQ(engine.wait_exit(3000), 0);
}

} // namespace
