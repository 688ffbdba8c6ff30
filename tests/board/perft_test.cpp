#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/engine_process.h"

#include "board/perft.h"
#include "board/position.h"
#include "fen_fixture.h"

namespace {

struct PerftCase {
    std::string fen;
    int depth;
    uint64_t nodes;
};

// Reads "<fen> ;D1 n ;D2 n ..." lines, keeping the depths whose count is at most maxNodes.
std::vector<PerftCase> read_epd(const std::string& name, uint64_t maxNodes) {
    std::vector<PerftCase> cases;
    std::ifstream in(std::string(TALVOR_TEST_DATA) + "/" + name);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string fen, field;
        std::getline(fields, fen, ';');
        while (std::getline(fields, field, ';')) {
            int depth = 0;
            unsigned long long nodes = 0;
            if (std::sscanf(field.c_str(), " D%d %llu", &depth, &nodes) == 2 && nodes <= maxNodes)
                cases.push_back({fen, depth, nodes});
        }
    }
    return cases;
}

void expect_perft_counts(const std::string& file, uint64_t maxNodes) {
    std::vector<PerftCase> cases = read_epd(file, maxNodes);
    ASSERT_FALSE(cases.empty());
    for (const PerftCase& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        EXPECT_EQ(perft(SearchNodes[0], c.depth), c.nodes) << c.fen << " depth " << c.depth;
    }
}

} // namespace

// Counts up to a few million nodes run by default; TALVOR_PERFT_MAX=<nodes> raises the bound to
// run the deeper counts by hand.
uint64_t perft_node_bound() {
    const char* bound = std::getenv("TALVOR_PERFT_MAX");
    return bound ? std::strtoull(bound, nullptr, 10) : 5000000;
}

TEST(Perft, ReferenceCounts) {
    expect_perft_counts("perft.epd", perft_node_bound());
}

// Positions with castling, en passant (legal and pinned), promotions, pins and checks, counted
// by an independent engine.
TEST(Perft, IndependentlyCountedPositions) {
    expect_perft_counts("perft_extra.epd", perft_node_bound());
}

// The perft command line and the UCI perft command print one line per root move, a blank line
// and the total; depths outside 1..61 are refused on the command line.
TEST(PerftCommand, PrintsEachRootMoveThenTheTotal) {
    {
        EngineProcess engine({"perft", "2", "4k3/8/8/8/8/8/8/4K2R w K - 0 1"});
        ASSERT_EQ(engine.wait_exit(10000), 0);
        const std::string& out = engine.output();
        // After castling the rook on f1 leaves the black king d8, d7 and e7.
        EXPECT_NE(out.find("e1g1: 3\n"), std::string::npos) << out;
        EXPECT_NE(out.find("h1f1: 3\n\nNodes searched: 66\n"), std::string::npos) << out;
    }
    {
        EngineProcess engine({"perft", "99999999999999999999"});
        EXPECT_EQ(engine.wait_exit(10000), 1);
        EXPECT_NE(engine.output().find("usage: talvor perft"), std::string::npos);
    }
    {
        EngineProcess engine({"-uci"});
        engine.send("isready\nposition startpos moves e2e4\nperft 2\n");
        ASSERT_TRUE(engine.wait_for("Nodes searched: 600\n", 10000)) << engine.output();
        EXPECT_NE(engine.output().find("\ne7e5: 29\n"), std::string::npos);
        engine.send("quit\n");
        EXPECT_EQ(engine.wait_exit(5000), 0);
    }
}
