#include "book/book.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "board/notation.h"
#include "board/position.h"
#include "book/book_files.h"
#include "core/random.h"
#include "core/settings.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"

namespace {

class BookProbe : public ::testing::Test {
  protected:
    void SetUp() override { start_engine_with_book(); }

    // Loads the book text, then sets up the game with the moves given (UCI text).
    void set_up(const std::string& book, const std::string& moves) {
        files.load(book);
        play(moves);
    }
    static void play(const std::string& moves) {
        dispatch_line("position startpos" + (moves.empty() ? "" : " moves " + moves));
        ASSERT_EQ(use_book, 1) << moves;
    }
    // Probes with the output captured: the chosen move as UCI text, "" when the book was left.
    std::string probe() {
        testing::internal::CaptureStdout();
        const bool found = probe_book();
        probe_output = testing::internal::GetCapturedStdout();
        return found ? move_to_uci(book_move) : "";
    }
    // How often each move is chosen in n probes of the game position from a fixed seed.
    std::map<std::string, int> choices(int n) {
        std::map<std::string, int> counts;
        random_seed(12345);
        for (int i = 0; i < n; ++i) ++counts[probe()];
        return counts;
    }

    BookFiles files;
    std::string probe_output;
};

const char* OpenGames = "[Event \"a\"]\n1. e4 (30) e5 (60) 2. Nf3 (30) Nc6 (30) 3. Bb5 (30)\n"
                        "[Event \"b\"]\n1. e4 (30) c5 (30) 2. Nf3 (30) d6 (30) 3. d4 (30)\n"
                        "[Event \"c\"]\n1. d4 (30) d5 (30) 2. c4 (30) e6 (30) 3. Nc3 (30)\n";

TEST_F(BookProbe, FindsTheMoveTheBookPlayedNext) {
    book_random = 0;
    set_up(OpenGames, "e2e4 e7e5 g1f3");
    EXPECT_EQ(probe(), "b8c6");
    EXPECT_EQ(probe_output, "");
    EXPECT_EQ(book_move_played, 1);
    EXPECT_EQ(last_book_ply, 4); // the ply of the book move, in UCI mode too

    console_mode = 1;
    uci_mode = 0;
    play("d2d4 d7d5");
    EXPECT_EQ(probe(), "c2c4");
    EXPECT_EQ(last_book_ply, 3); // and at the console
}

TEST_F(BookProbe, LeavesTheBookWhenNothingMatches) {
    set_up(OpenGames, "e2e4 e7e5 g1f3 g8f6");
    EXPECT_EQ(probe(), "");
    EXPECT_EQ(use_book, 0);
    EXPECT_EQ(probe_output, "info Sortie de la bibliotheque d'ouverture\n\n\n");

    // An empty book is left at once.
    set_up("", "e2e4");
    EXPECT_EQ(probe(), "");
    EXPECT_EQ(use_book, 0);
}

TEST_F(BookProbe, FindsTranspositionsWithinTwoPlies) {
    book_random = 0;
    // The same position after a different move order and the same number of plies.
    set_up("1. e4 e5 2. Nf3 Nc6 3. Bc4 (30) x", "e2e4 b8c6 g1f3 e7e5");
    EXPECT_EQ(probe(), "f1c4");
    // Two plies later in the book (e3-e4 and e6-e5 in two steps each).
    set_up("1. e3 e6 2. e4 e5 3. Nf3 (30) x", "e2e4 e7e5");
    EXPECT_EQ(probe(), "g1f3");
    // Four plies later: too far.
    set_up("1. Nf3 Nf6 2. Ng1 Ng8 3. e4 e5 4. Nc3 (30) x", "e2e4 e7e5");
    EXPECT_EQ(probe(), "");
}

TEST_F(BookProbe, ExaminesBookPliesUpToFortyNine) {
    book_random = 0;
    std::string book, game;
    for (int i = 0; i < 13; ++i) {
        book += "Nf3 Nf6 Ng1 Ng8 ";
        game += "g1f3 g8f6 f3g1 f6g8 ";
    }
    set_up(book + "\n", game.substr(0, 48 * 5 - 1));
    ASSERT_EQ(GamePly, 48);
    EXPECT_EQ(probe(), "g1f3");

    // From ply 52 on no book ply is looked at.
    dispatch_line("position startpos moves " + game.substr(0, 52 * 5 - 1));
    ASSERT_EQ(GamePly, 52);
    EXPECT_EQ(probe(), "");
}

TEST_F(BookProbe, PromotionsPlayThePieceOfTheBook) {
    book_random = 0;
    const std::string line = "1. a4 b5 2. ab a6 3. ba Bb7 4. axb7 Nc6 5. bxa8=";
    set_up(line + "Q (30) x", "a2a4 b7b5 a4b5 a7a6 b5a6 c8b7 a6b7 b8c6");
    EXPECT_EQ(probe(), "b7a8q");
    set_up(line + "N (30) x", "a2a4 b7b5 a4b5 a7a6 b5a6 c8b7 a6b7 b8c6");
    EXPECT_EQ(probe(), "b7a8n");
}

TEST_F(BookProbe, WeightsAreEvenedOutAndMapped) {
    const struct {
        std::vector<int> weights;
        std::vector<int> mapped;
    } cases[] = {
        {{30, 60}, {54, 2800}},   // average 45: 33 and 66
        {{30, 30}, {1500, 1500}}, // both 50
        {{0, 0}, {1500, 1500}},   // a weight 0 counts as 1
        {{99, 1}, {4450, 1}},
        {{55, 45}, {1750, 600}},
        // Average 50: each step of the curve.
        {{10, 25, 35, 45, 90, 95}, {1, 35, 57, 600, 4000, 4250}},
    };
    for (const auto& c : cases) {
        BookMove candidates[BookCandidateLimit] = {};
        for (size_t i = 0; i < c.weights.size(); ++i) candidates[i].weight = uint8_t(c.weights[i]);
        int mapped[BookCandidateLimit];
        const int total = book_choice_weights(candidates, int(c.weights.size()), mapped);
        int expectedTotal = 0;
        for (size_t i = 0; i < c.mapped.size(); ++i) {
            EXPECT_EQ(mapped[i], c.mapped[i]) << i;
            expectedTotal += c.mapped[i];
        }
        EXPECT_EQ(total, expectedTotal);
    }
}

TEST_F(BookProbe, ChoosesAtRandomByWeight) {
    set_up(OpenGames, "e2e4");
    // e5 (60) against c5 (30): 2800 against 54.
    auto counts = choices(2000);
    EXPECT_EQ(counts[""], 0);
    EXPECT_GT(counts["c7c5"], 10);
    EXPECT_LT(counts["c7c5"], 100);
    EXPECT_EQ(counts["e7e5"] + counts["c7c5"], 2000);

    book_best_only = 1;
    EXPECT_EQ(choices(200)["e7e5"], 200);
    book_best_only = 0;
    book_first_match_only = 1;
    EXPECT_EQ(choices(200)["e7e5"], 200);
    book_first_match_only = 0;
    book_random = 0;
    EXPECT_EQ(choices(200)["e7e5"], 200);
}

TEST_F(BookProbe, TheSameMoveCountsOnceUnlessItsWeightDiffers) {
    const std::string twice = "[a]\n1. e4 (30) e5 (30) x\n[b]\n1. e4 (30) e5 (30) x\n"
                              "[c]\n1. e4 (30) c5 (30) x\n";
    set_up(twice, "e2e4");
    auto counts = choices(3000);
    EXPECT_NEAR(counts["e7e5"], 1500, 150);

    const std::string differently = "[a]\n1. e4 (30) e5 (30) x\n[b]\n1. e4 (30) e5 (31) x\n"
                                    "[c]\n1. e4 (30) c5 (30) x\n";
    set_up(differently, "e2e4");
    counts = choices(3000);
    EXPECT_NEAR(counts["e7e5"], 2000, 150);
}

TEST_F(BookProbe, TakesAtMostTwentyCandidates) {
    // Twenty-one games, each with its own second move for Black.
    const char* replies[] = {"a6", "a5", "b6", "b5", "c6", "c5", "d6",  "d5",  "e6",  "e5",
                             "f6", "f5", "g6", "g5", "h6", "h5", "Na6", "Nc6", "Nf6", "Nh6"};
    std::string book;
    for (const char* reply : replies) book += std::string("[g]\n1. e4 (30) ") + reply + " (30) x\n";
    book += "[g]\n1. e4 (30) e5 (99) x\n"; // the twenty-first, never considered
    set_up(book, "e2e4");
    auto counts = choices(2000);
    EXPECT_LT(counts["e7e5"], 200) << "e5 (99) would dominate if it were a candidate";
    EXPECT_EQ(counts[""], 0);
}

} // namespace
