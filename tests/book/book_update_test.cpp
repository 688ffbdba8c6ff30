#include "book/book.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "board/position.h"
#include "book/book_files.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "uci/dispatcher.h"

namespace {

class BookUpdate : public ::testing::Test {
  protected:
    void SetUp() override {
        start_engine_with_book();
        own_book_option = 1;
    }
    void TearDown() override {
        GamePly = 0;
        last_book_ply = 0;
    }

    // The game played from the standard position (moves as e2e4), its history filled as the
    // position command fills it, and the ply of its last book move.
    static void played(const std::vector<const char*>& moves, int lastBookPly) {
        std::string line = "position startpos moves";
        for (const char* m : moves) line += std::string(" ") + m;
        dispatch_line(line);
        ASSERT_EQ(GamePly, int(moves.size())) << line;
        last_book_ply = int16_t(lastBookPly);
    }
    // Loads book, runs the update with result and returns the file afterwards.
    std::string learn(const std::string& book, int8_t result, uint8_t expectedStatus = 0) {
        files.load(book);
        testing::internal::CaptureStdout();
        EXPECT_EQ(update_book(result), expectedStatus);
        testing::internal::GetCapturedStdout();
        return files.read();
    }

    BookFiles files;
};

const std::string RuyLopez =
    "[Event \"a\"]\r\ne4 (30) e5 (30) Nf3 (30) Nc6 (30)\r\nBb5 (30) a6 (30) ";

TEST_F(BookUpdate, WeightsMoveTowardTheResult) {
    played({"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6"}, 6);
    EXPECT_EQ(learn(RuyLopez, 1),
              "[Event \"a\"]\r\ne4 (37) e5 (27) Nf3 (37) Nc6 (27)\r\nBb5 (37) a6 (27) ");
    EXPECT_EQ(learn(RuyLopez, -1),
              "[Event \"a\"]\r\ne4 (27) e5 (37) Nf3 (27) Nc6 (37)\r\nBb5 (27) a6 (37) ");
    EXPECT_EQ(learn("e4 (30) e5 (80) x", 0), "e4 (32) e5 (77) x");
    // The ends of the scale hold; a weight 05 of the loser becomes 04.
    EXPECT_EQ(learn("e4 (99) e5 (00) x", 1), "e4 (99) e5 (00) x");
    EXPECT_EQ(learn("e4 (05) e5 (99) x", -1), "e4 (04) e5 (99) x");
    EXPECT_FALSE(std::filesystem::exists(files.path + ".new"));
}

TEST_F(BookUpdate, OnlyAgreeingMovesUpToTheLastBookMoveLearn) {
    // The game left this book game at ply 3: the comparison of ply 3 comes before its weight.
    played({"e2e4", "e7e5", "d2d4", "e5d4", "d1d4"}, 5);
    EXPECT_EQ(learn(RuyLopez, 1),
              "[Event \"a\"]\r\ne4 (37) e5 (27) Nf3 (30) Nc6 (30)\r\nBb5 (30) a6 (30) ");
    // No weight beyond the last book move changes.
    played({"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6"}, 3);
    EXPECT_EQ(learn(RuyLopez, 1),
              "[Event \"a\"]\r\ne4 (37) e5 (27) Nf3 (37) Nc6 (30)\r\nBb5 (30) a6 (30) ");
    // A book game must agree from its first move on.
    played({"d2d4", "e7e5", "g1f3"}, 3);
    EXPECT_EQ(learn(RuyLopez, 1), RuyLopez);
    // Each game is followed on its own.
    played({"d2d4", "d7d5"}, 2);
    EXPECT_EQ(learn("[a]\r\ne4 (30) d5 (30) \r\n[b]\r\nd4 (30) d5 (30) ", 0),
              "[a]\r\ne4 (30) d5 (30)\r\n[b]\r\nd4 (32) d5 (32) ");
}

TEST_F(BookUpdate, BookTokensAgreeWithTheMoveTheyNameWhateverTheirNotation) {
    // Each book line is learnt up to its last token when the game played the move it names.
    const struct {
        const char* book;
        std::vector<const char*> game;
    } agreeing[] = {
        // Disambiguated by file in the book, by rank in the game's own notation (N8d7), or not
        // at all; also more than needed.
        {"d4 (30) d5 (30) c4 (30) e6 (30) Nc3 (30) Nf6 (30) Bg5 (30) Nbd7 (30) x",
         {"d2d4", "d7d5", "c2c4", "e7e6", "b1c3", "g8f6", "c1g5", "b8d7"}},
        {"d4 (30) d5 (30) c4 (30) e6 (30) Nc3 (30) Nf6 (30) Bg5 (30) N8d7 (30) x",
         {"d2d4", "d7d5", "c2c4", "e7e6", "b1c3", "g8f6", "c1g5", "b8d7"}},
        {"d4 (30) Nf6 (30) c4 (30) e6 (30) Nd2 (30) x", {"d2d4", "g8f6", "c2c4", "e7e6", "b1d2"}},
        {"e4 (30) e5 (30) Ng1f3 (30) Nb8c6 (30) x", {"e2e4", "e7e5", "g1f3", "b8c6"}},
        // Captures with or without "x", short pawn captures, check and mate signs, castling.
        {"e4 (30) d5 (30) ed (30) Qxd5 (30) Nc3+ (30) x", {"e2e4", "d7d5", "e4d5", "d8d5", "b1c3"}},
        {"e4 (30) d5 (30) exd5 (30) Qd5 (30) x", {"e2e4", "d7d5", "e4d5", "d8d5"}},
        {"f3 (30) e5 (30) g4 (30) Qh4# (30) x", {"f2f3", "e7e5", "g2g4", "d8h4"}},
        {"e4 (30) e5 (30) Nf3 (30) Nc6 (30) Bc4 (30) Bc5 (30) O-O (30) x",
         {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "f8c5", "e1g1"}},
    };
    for (const auto& c : agreeing) {
        played(c.game, int(c.game.size()));
        const std::string learnt = learn(c.book, 1);
        EXPECT_EQ(learnt.find("(30)"), std::string::npos) << c.book << "\n" << learnt;
    }

    // A token that names another move, or none, stops the line there.
    const struct {
        const char* book;
        std::vector<const char*> game;
        const char* learnt;
    } departing[] = {
        {"e4 (30) e5 (30) Nf3 (30) x", {"e2e4", "e7e5", "b1c3"}, "e4 (37) e5 (27) Nf3 (30) x"},
        {"d4 (30) Nf6 (30) c4 (30) e6 (30) Nfd7 (30) x",
         {"d2d4", "g8f6", "c2c4", "e7e6", "b1d2"},
         "d4 (37) Nf6 (27) c4 (37) e6 (27)\r\nNfd7 (30) x"},
        {"e4 (30) e5 (30) Nf4 (30) x", {"e2e4", "e7e5", "g1f3"}, "e4 (37) e5 (27) Nf4 (30) x"},
        {"e4 (30) e5 (30) ef (30) x", {"e2e4", "e7e5", "g1f3"}, "e4 (37) e5 (27) ef (30) x"},
    };
    for (const auto& c : departing) {
        played(c.game, int(c.game.size()));
        EXPECT_EQ(learn(c.book, 1), c.learnt) << c.book;
    }
}

TEST_F(BookUpdate, OnlyWeightsInsideTheirParenthesesAreRewritten) {
    played({"e2e4", "e7e5", "g1f3"}, 3);
    // The loader gives Nf3 its weight before the stray parenthesis.
    EXPECT_EQ(learn("e4 (5) e5 () Nf3 ) x", 1), "e4 (5) e5 () Nf3 (37) ) x");
}

TEST_F(BookUpdate, AFailedUpdateLeavesTheOldBookWhole) {
    played({"e2e4", "e7e5"}, 2);
    // The new book cannot be written beside the old one.
    std::filesystem::create_directory(files.path + ".new");
    EXPECT_EQ(learn("e4 (30) e5 (30) x", 1, 1), "e4 (30) e5 (30) x");

    // A book cut short is never written back.
    std::filesystem::remove(files.path + ".new");
    const std::string big = oversized_book("e4 (30) e5 (30) x\n");
    files.load(big);
    ASSERT_EQ(book_truncated, 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(update_book(1), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(files.read(), big);

    // A book that cannot be read again is not replaced by nothing.
    files.load("e4 (30) e5 (30) x");
    std::filesystem::remove(files.path);
    testing::internal::CaptureStdout();
    EXPECT_EQ(update_book(1), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(std::filesystem::exists(files.path));
}

TEST_F(BookUpdate, TheGameLoopsUpdateRunsOnceWithItsMessages) {
    played({"e2e4", "e7e5"}, 2);
    files.load("e4 (30) e5 (30) x");
    use_book = 0;
    book_move_played = 1;
    book_updated = 0;
    EXPECT_TRUE(book_update_due());
    testing::internal::CaptureStdout();
    learn_from_game(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "info Mise à jour bibliothèque d'ouverture en cours ...\n\n"
              "info 1 opening games loaded\n"
              "info Mise à jour terminée\n\n");
    EXPECT_EQ(book_updated, 1);
    EXPECT_FALSE(book_update_due());
    EXPECT_EQ(files.read(), "e4 (37) e5 (27) x");

    std::filesystem::remove(files.path);
    testing::internal::CaptureStdout();
    learn_from_game(1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("info Echec mise à jour\n"),
              std::string::npos);
}

} // namespace
