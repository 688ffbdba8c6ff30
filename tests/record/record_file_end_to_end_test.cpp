// The engine creates an empty game record in its working directory when a UCI game is set up.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "support/engine_process.h"

TEST(RecordFile, UciSetUpCreatesAnEmptyRecord) {
    // A working directory of this test alone, holding the record of an earlier game.
    std::string pattern = ::testing::TempDir() + "talvor_record_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string directory = pattern + "/";
    const std::string record = directory + "Chess.pgn";
    FILE* old = std::fopen(record.c_str(), "wb");
    ASSERT_NE(old, nullptr);
    std::fputs("[Event \"\"]\nan earlier game", old);
    std::fclose(old);

    const char* saved = std::getenv("TEST_TMPDIR");
    const std::string savedDirectory = saved ? saved : "";
    setenv("TEST_TMPDIR", directory.c_str(), 1);
    {
        EngineProcess engine({"-uci"});
        if (saved)
            setenv("TEST_TMPDIR", savedDirectory.c_str(), 1);
        else
            unsetenv("TEST_TMPDIR");
        engine.send("isready\n");
        EXPECT_TRUE(engine.wait_for("readyok\n", 5000)) << engine.output();
        EXPECT_TRUE(engine.wait_for("\n\n\n", 5000)) << engine.output();
        engine.send("quit\n");
        EXPECT_EQ(engine.wait_exit(5000), 0);
        // (The missing opening book is reported; the record is not.)
        EXPECT_EQ(engine.output().find("game record"), std::string::npos) << engine.output();
    }

    struct stat status {};
    EXPECT_EQ(stat(record.c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 0);
    std::remove(record.c_str());
    rmdir(pattern.c_str());
}
