// The think step's bookkeeping after a move: what the time factor learns from.
#include "shell/think.h"

#include <gtest/gtest.h>

#include "book/book.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "search/search_fixture.h"

namespace {

class ThinkStep : public SearchFixture {
  protected:
    void SetUp() override {
        SearchFixture::SetUp();
        savedGames = book_game_count;
        book_game_count = 0; // no book: the first probe leaves it
        // A console clock of two seconds for the side to move: a search of a few thousand nodes.
        on_clock = clock_running = 1;
        unlimited = 0;
        moves_to_go = 0;
        move_credit_play = move_credit_input = 0;
        side_clock[White] = side_clock[Black] = 2;
        time_used[White] = time_used[Black] = 0;
        increment[White] = increment[Black] = 0;
        nodes_per_second = 500000;
        time_factor = 170;
    }
    void TearDown() override { book_game_count = savedGames; }

    // The engine's move in the position, with the book in use; the time factor after it.
    static int factor_after_move(const std::string& position) {
        EXPECT_TRUE(set_position(position)) << position;
        use_book = 1;
        mode_char = SideToMove == White ? 'B' : 'N';
        time_factor = 170;
        testing::internal::CaptureStdout();
        computer_move();
        testing::internal::GetCapturedStdout();
        EXPECT_NE(best_move, 0u) << position;
        return time_factor;
    }

    int savedGames = 0;
};

} // namespace

TEST_F(ThinkStep, OnlyASearchedMoveMovesTheTimeFactor) {
    // The first move of a game is one of four openings, chosen without a search: nothing learnt.
    EXPECT_EQ(factor_after_move("startpos"), 170);
    EXPECT_EQ(use_book, 1);
    // The move that leaves the book is searched on the clock, and the factor learns from it.
    EXPECT_NE(factor_after_move("startpos moves e2e4 e7e5 g1f3"), 170);
    EXPECT_EQ(use_book, 0);
}
