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

} // namespace
