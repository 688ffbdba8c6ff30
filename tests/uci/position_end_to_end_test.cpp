// The position command through the real program: position lines followed by "d", compared with
// the FENs a reference engine gives for the same games (tests/data/position_fens.txt).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

// Runs the engine in UCI mode on the given input lines and returns everything it wrote.
std::string runEngine(const std::vector<std::string>& lines) {
    EngineProcess engine({"-uci"});
    std::string input;
    for (const std::string& line : lines) input += line + "\n";
    engine.send(input);
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(20000), 0);
    return engine.output();
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> found;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
        start = end + 1;
    }
    return found;
}

int countOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

} // namespace

TEST(PositionEndToEnd, FensMatchTheReferenceEngine) {
    std::ifstream data(std::string(TALVOR_TEST_DATA) + "/position_fens.txt");
    ASSERT_TRUE(data.good());
    std::vector<std::string> positions, expected;
    std::string line;
    while (std::getline(data, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t bar = line.find('|');
        ASSERT_NE(bar, std::string::npos) << line;
        positions.push_back(line.substr(0, bar));
        expected.push_back(line.substr(bar + 1));
    }
    ASSERT_GE(positions.size(), 10u);

    std::vector<std::string> input = {"isready"};
    for (const std::string& p : positions) {
        input.push_back("position " + p);
        input.push_back("d");
    }
    input.push_back("quit");
    const std::string output = runEngine(input);
    const std::vector<std::string> fens = linesStartingWith(output, "Fen: ");
    ASSERT_EQ(fens.size(), positions.size()) << output;
    for (size_t i = 0; i < fens.size(); ++i) EXPECT_EQ(fens[i], expected[i]) << positions[i];
    EXPECT_EQ(countOf(output, "Position illegale"), 0) << output;
    EXPECT_EQ(countOf(output, "Illegal move"), 0) << output;
}

TEST(PositionEndToEnd, BadInputIsReportedAndTheEngineKeepsAnswering) {
    const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const std::vector<std::string> illegalPositions = {
        "position fen 4k3/8/8/8/8/8/8/8 w - - 0 1",    // no white king
        "position fen 4k3/8/8/8/8/8/8/3KK3 w - - 0 1", // two white kings
        "position fen P3k3/8/8/8/8/8/8/4K3 w - - 0 1", // pawn on the last rank
        "position fen 4k3/8/8/8/8/8/8/4K2p b - - 0 1", // pawn on the first rank
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1", // nine ranks
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",            // seven ranks
        "position fen rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "position fen rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkx - 0 1",
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq z9 0 1",
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - x 1",
        "position fen QQQQkQQQ/QQQQQQQQ/QQ6/8/8/8/8/4K3 w - - 0 1", // 18 white pieces
        "position fen",
        "position fen moves e2e4",
        "position fen startpos",
        "position fen " + start + " 7 moves e2e4", // a seventh field
    };
    std::vector<std::string> input = {"isready", "position startpos moves e2e4", "d"};
    for (const std::string& p : illegalPositions) {
        input.push_back(p);
        input.push_back("d");
    }
    // Black, not to move, in check: set up, then refused.
    input.push_back("position fen 4k3/8/8/8/8/8/4R3/4K3 w - - 0 1");
    input.push_back("d");
    // Bad move words: the replay stops at the first one, keeping what was played before it.
    const std::vector<std::string> badMoves = {"e2e5",   "e2",   "e2e4e", "e7e8q",           "i2i4",
                                               "e2e4qq", "E2E9", "a1a1",  "\x01\x02\x03\x04"};
    for (const std::string& m : badMoves) {
        input.push_back("position startpos moves d2d4 " + m + " d7d5");
        input.push_back("d");
    }
    input.push_back("isready");
    input.push_back("quit");
    const std::string output = runEngine(input);

    const std::vector<std::string> fens = linesStartingWith(output, "Fen: ");
    ASSERT_EQ(fens.size(), 2 + illegalPositions.size() + badMoves.size()) << output;
    // A refused position leaves the previous game position on the board.
    const std::string afterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
    EXPECT_EQ(fens[0], afterE4);
    for (size_t i = 0; i < illegalPositions.size(); ++i)
        EXPECT_EQ(fens[1 + i], afterE4) << illegalPositions[i];
    EXPECT_EQ(fens[1 + illegalPositions.size()], "4k3/8/8/8/8/8/4R3/4K3 w - - 0 1");
    EXPECT_EQ(countOf(output, "info Position illegale\n"), int(illegalPositions.size()) + 1)
        << output;

    const std::string afterD4 = "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1";
    for (size_t i = 0; i < badMoves.size(); ++i) {
        EXPECT_EQ(fens[2 + illegalPositions.size() + i], afterD4) << badMoves[i];
        EXPECT_EQ(countOf(output, "info string Illegal move " + badMoves[i] + "\n"), 1)
            << badMoves[i];
    }
    EXPECT_EQ(countOf(output, "readyok"), 2) << output;
}
