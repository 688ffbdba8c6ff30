// The engine learns from a UCI game through a pipe: it plays Black from a one-line book until the
// interface leaves the book with a blunder, and the book file holds the lesson afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/temp_files.h"

namespace {

// The engine started with -uci in a working directory of its own, holding the given book.
class UciEngineWithBook {
  public:
    explicit UciEngineWithBook(const std::string& book) {
        std::string pattern = ::testing::TempDir() + "talvor_learn_XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) directory = pattern + "/";
        FILE* f = std::fopen((directory + "pellan.txt").c_str(), "wb");
        if (f != nullptr) {
            std::fwrite(book.data(), 1, book.size(), f);
            std::fclose(f);
        }
        engine = std::make_unique<EngineProcess>(std::vector<std::string>{"-uci"}, directory);
    }
    ~UciEngineWithBook() {
        engine.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    // Sends the game so far and a search; the engine's move, "" when none came.
    std::string reply_to(const std::string& moves) {
        const size_t seen = engine->output().size();
        engine->send("position startpos moves" + moves + "\ngo wtime 20000 btime 20000\n");
        if (!engine->wait_for_after("bestmove ", seen, 30000)) return "";
        const size_t at = engine->output().find("bestmove ", seen) + 9;
        return engine->output().substr(at, engine->output().find_first_of(" \n", at) - at);
    }

    std::string directory;
    std::unique_ptr<EngineProcess> engine;
};

TEST(BookLearning, AOneLineBookLearnsEveryMoveOfAUciGameItFollowed) {
    UciEngineWithBook game("[Event \"Queen's Gambit Declined\"]\r\n"
                           "d4 (50) d5 (50) c4 (50) e6 (50)\r\n"
                           "Nc3 (50) Nf6 (50) Bg5 (50) Nbd7 (50)\r\n"
                           "e3 (50) Be7 (50) \r\n");
    EngineProcess& engine = *game.engine;
    engine.send("isready\n");
    ASSERT_TRUE(engine.wait_for("readyok\n", 10000)) << engine.output();

    // The interface plays White; the engine answers each move from the book.
    const char* white[] = {"d2d4", "c2c4", "b1c3", "c1g5", "e2e3"};
    const char* black[] = {"d7d5", "e7e6", "g8f6", "b8d7", "f8e7"};
    std::string moves;
    for (int i = 0; i < 5; ++i) {
        moves += std::string(" ") + white[i];
        EXPECT_EQ(game.reply_to(moves), black[i]) << engine.output();
        moves += std::string(" ") + black[i];
    }
    // 6.Qg4 leaves the book and the queen: the engine's score passes 300, and the book learns
    // that Black won (as the score of its move is known to the game loop: at the latest with the
    // next move).
    moves += " d1g4";
    EXPECT_EQ(game.reply_to(moves), "f6g4") << engine.output();
    moves += " f6g4 g5e7";
    EXPECT_NE(game.reply_to(moves), "") << engine.output();
    EXPECT_TRUE(engine.wait_for("info Mise à jour terminée", 10000)) << engine.output();
    EXPECT_EQ(engine.output().find("Echec"), std::string::npos) << engine.output();
    engine.send("quit\n");
    EXPECT_EQ(engine.wait_exit(10000), 0);

    EXPECT_EQ(read_file(game.directory + "pellan.txt"),
              "[Event \"Queen's Gambit Declined\"]\r\n"
              "d4 (45) d5 (55) c4 (45) e6 (55)\r\n"
              "Nc3 (45) Nf6 (55) Bg5 (45) Nbd7 (55)\r\n"
              "e3 (45) Be7 (55) "); // (the text as the loader normalised it)
}

} // namespace
