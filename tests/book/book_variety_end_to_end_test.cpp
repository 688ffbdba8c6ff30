// Engines started one after another play different book moves: each seeds its generator anew.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "support/engine_process.h"

namespace {

TEST(BookVariety, TwentyEnginesStartedBackToBackAnswerTheKingsPawnVariously) {
    std::string pattern = ::testing::TempDir() + "talvor_variety_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string directory = pattern + "/";
    std::filesystem::copy_file(TALVOR_BOOK_FILE, directory + "pellan.txt");

    std::map<std::string, int> replies;
    for (int i = 0; i < 20; ++i) {
        EngineProcess engine({"-uci"}, directory);
        engine.send("isready\nposition startpos moves e2e4\ngo wtime 60000 btime 60000\n");
        ASSERT_TRUE(engine.wait_for("bestmove ", 20000)) << engine.output();
        EXPECT_NE(engine.output().find("Book move found"), std::string::npos) << engine.output();
        const size_t at = engine.output().find("bestmove ") + 9;
        ++replies[engine.output().substr(at, 4)];
        engine.send("quit\n");
        EXPECT_EQ(engine.wait_exit(10000), 0);
    }

    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);

    std::string figures;
    for (const auto& [move, n] : replies) figures += " " + move + " " + std::to_string(n);
    std::printf("[ figures  ] replies of 20 engines to 1.e4:%s\n", figures.c_str());
    EXPECT_GE(replies.size(), 4u) << figures;
}

TEST(BookVariety, TwoHundredGamesOfOneEngineOpenWithEachOfTheFourFirstMoves) {
    // A GUI that keeps the engine for a match: every new game draws its first move afresh.
    std::string pattern = ::testing::TempDir() + "talvor_variety_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string directory = pattern + "/";
    std::filesystem::copy_file(TALVOR_BOOK_FILE, directory + "pellan.txt");

    std::map<std::string, int> first;
    {
        EngineProcess engine({"-uci"}, directory);
        engine.send("isready\n");
        ASSERT_TRUE(engine.wait_for("readyok\n", 10000)) << engine.output();
        for (int game = 0; game < 200; ++game) {
            const size_t seen = engine.output().size();
            engine.send("ucinewgame\nposition startpos\ngo wtime 60000 btime 60000\n");
            ASSERT_TRUE(engine.wait_for_after("bestmove ", seen, 10000)) << engine.output();
            const size_t at = engine.output().find("bestmove ", seen) + 9;
            ++first[engine.output().substr(at, 4)];
        }
        engine.send("quit\n");
        EXPECT_EQ(engine.wait_exit(10000), 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);

    std::string figures;
    for (const auto& [move, n] : first) figures += " " + move + " " + std::to_string(n);
    std::printf("[ figures  ] first moves of 200 games of one engine:%s\n", figures.c_str());
    EXPECT_EQ(first.size(), 4u) << figures;
    for (const char* m : {"e2e4", "d2d4", "g1f3", "c2c4"})
        EXPECT_GE(first[m], 20) << m << figures; // 50 expected
}

} // namespace
