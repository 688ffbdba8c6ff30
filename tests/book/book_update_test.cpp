#include "book/book.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "board/position.h"
#include "book/book_files.h"
#include "shell/game_history.h"
#include "shell/settings.h"
#include "uci/dispatcher.h"

namespace {

class BookUpdate : public ::testing::Test {
  protected:
    void SetUp() override {
        uci_mode = 1;
        console_mode = 0;
        own_book_option = 1;
    }
    void TearDown() override {
        GamePly = 0;
        last_book_ply = 0;
    }

    // The game as the record writer leaves it: one move text per ply.
    static void played(const std::vector<const char*>& moves, int lastBookPly) {
        for (int ply = 1; ply <= int(moves.size()); ++ply) {
            ASSERT_TRUE(ensure_game_history(ply));
            std::snprintf(game_history[ply].text, sizeof game_history[ply].text, "%s",
                          moves[size_t(ply - 1)]);
        }
        GamePly = int16_t(moves.size());
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
    played({"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"}, 6);
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
    played({"e4", "e5", "d4", "ed", "Qd4"}, 5);
    EXPECT_EQ(learn(RuyLopez, 1),
              "[Event \"a\"]\r\ne4 (37) e5 (27) Nf3 (30) Nc6 (30)\r\nBb5 (30) a6 (30) ");
    // No weight beyond the last book move changes.
    played({"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"}, 3);
    EXPECT_EQ(learn(RuyLopez, 1),
              "[Event \"a\"]\r\ne4 (37) e5 (27) Nf3 (37) Nc6 (30)\r\nBb5 (30) a6 (30) ");
    // A book game must agree from its first move on.
    played({"d4", "e5", "Nf3"}, 3);
    EXPECT_EQ(learn(RuyLopez, 1), RuyLopez);
    // Each game is followed on its own.
    played({"d4", "d5"}, 2);
    EXPECT_EQ(learn("[a]\r\ne4 (30) d5 (30) \r\n[b]\r\nd4 (30) d5 (30) ", 0),
              "[a]\r\ne4 (30) d5 (30)\r\n[b]\r\nd4 (32) d5 (32) ");
}

TEST_F(BookUpdate, BookTokensMatchTheGamesNotation) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"e4", "e4", true},      {"Nbd2", "Nd2", true}, {"Nd2", "Nbd2", true},
        {"ed", "exd5", true},    {"exd5", "ed", true},  {"O-O", "o-o", true},
        {"Nf3+", "Nf3", true},   {"R1e2", "Re2", true}, {"Nxd4", "Nd4", true},
        {"e4", "e3", false},     {"Nf3", "Nd2", false}, {"o-o", "o-o-o", false},
        {"Nbd2", "Nfd2", false}, {"Bb5", "bb5", false}, {"ed", "ef", false},
    };
    for (const auto& c : cases) EXPECT_EQ(same_book_move(c.a, c.b), c.same) << c.a << " " << c.b;

    played({"d4", "Nf6", "c4", "e6", "Nd2"}, 5);
    EXPECT_EQ(learn("d4 (30) Nf6 (30) c4 (30) e6 (30) Nbd2 (30) x", 1),
              "d4 (37) Nf6 (27) c4 (37) e6 (27)\r\nNbd2 (37) x");
}

TEST_F(BookUpdate, OnlyWeightsInsideTheirParenthesesAreRewritten) {
    played({"e4", "e5", "Nf3"}, 3);
    // The loader gives Nf3 its weight before the stray parenthesis.
    EXPECT_EQ(learn("e4 (5) e5 () Nf3 ) x", 1), "e4 (5) e5 () Nf3 (37) ) x");
}

TEST_F(BookUpdate, AFailedUpdateLeavesTheOldBookWhole) {
    played({"e4", "e5"}, 2);
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
    played({"e4", "e5"}, 2);
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
