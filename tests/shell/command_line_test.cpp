// The command-line tools beside the two run modes: bench, --help and --version.
#include <gtest/gtest.h>

#include <string>

#include "shell/bench.h"
#include "support/engine_process.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"

namespace {

std::string run(const std::vector<std::string>& arguments, int timeout_ms = 60000) {
    EngineProcess engine(arguments);
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(timeout_ms), 0);
    return engine.output();
}

long long nodes_of(const std::string& out) {
    const std::string key = "Nodes searched  : ";
    const size_t at = out.find(key);
    return at == std::string::npos ? -1 : std::stoll(out.substr(at + key.size()));
}

} // namespace

TEST(CommandLine, BenchPrintsItsThreeLinesAndTheSameNodesEveryTime) {
    const std::string first = run({"bench", "4"});
    EXPECT_NE(first.find("Total time (ms) : "), std::string::npos) << first;
    EXPECT_NE(first.find("Nodes/second    : "), std::string::npos) << first;
    const long long nodes = nodes_of(first);
    EXPECT_GT(nodes, 1000);
    EXPECT_EQ(nodes_of(run({"bench", "4"})), nodes);
}

TEST(CommandLine, BenchInUciModeGivesTheSameSignature) {
    const long long nodes = nodes_of(run({"bench", "3"}));
    EngineProcess engine({"-uci"});
    engine.send("uci\nsetoption name Hash value 1\nisready\nbench 3\n");
    ASSERT_TRUE(engine.wait_for("Nodes/second", 60000)) << engine.output();
    EXPECT_EQ(nodes_of(engine.output()), nodes);
    // The table the GUI asked for is back.
    engine.send("quit\n");
    EXPECT_EQ(engine.wait_exit(5000), 0);
}

TEST(CommandLine, HelpAndVersion) {
    const std::string help = run({"--help"}, 5000);
    for (const char* form : {"uci", "console", "perft", "bench", "--help", "--version"})
        EXPECT_NE(help.find(form), std::string::npos) << form;
    EXPECT_EQ(run({"--version"}, 5000), "Talvor 2.60a\n");
}

TEST(CommandLine, EveryBenchPositionIsALegalGamePosition) {
    init_engine_tables_once();
    reset_dispatcher_state();
    isready_seen = 1;
    for (int i = 0; i < bench_position_count(); ++i) {
        const std::string said = dispatch_line(std::string("position fen ") + bench_position(i));
        EXPECT_TRUE(said.empty()) << bench_position(i) << ": " << said;
        EXPECT_TRUE(position_applied) << bench_position(i);
    }
}
