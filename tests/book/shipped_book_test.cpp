// The book shipped at the repository's root, loaded from a copy.
#include "book/book.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "board/position.h"
#include "book/book_files.h"
#include "core/settings.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"

namespace {

class ShippedBook : public ::testing::Test {
  protected:
    void SetUp() override {
        start_engine_with_book();
        book = shipped_book();
        ASSERT_FALSE(book.empty()) << TALVOR_BOOK_FILE;
        output = files.load(book);
    }

    // Move tokens of the text: words outside tags and parentheses.
    static int count_moves(const std::string& text) {
        int moves = 0;
        bool inTag = false, inParen = false, inWord = false;
        for (char c : text) {
            if (c == '[') inTag = true;
            if (c == ']') inTag = false;
            if (c == '(') inParen = true;
            if (c == ')') inParen = false;
            const bool wordChar = !inTag && !inParen && c != ' ' && c != '\r' && c != '\n' &&
                                  c != '[' && c != ']' && c != '(' && c != ')';
            if (wordChar && !inWord) ++moves;
            inWord = wordChar;
        }
        return moves;
    }

    // The UCI text of the book game's moves up to ply plies.
    static std::string uci_moves(int game, int plies) {
        std::string moves;
        for (int p = 1; p <= plies; ++p) {
            const BookMove& e = book_entry(game, p);
            const int from = mailbox_square(e.from), to = mailbox_square(e.to);
            moves += ' ';
            moves += char('a' + file_of(from));
            moves += char('1' + rank_of(from));
            moves += char('a' + file_of(to));
            moves += char('1' + rank_of(to));
        }
        return moves;
    }

    BookFiles files;
    std::string book;
    std::string output;
};

TEST_F(ShippedBook, LoadsWholeWithEveryMoveResolved) {
    EXPECT_EQ(book_truncated, 0);
    EXPECT_GE(book_game_count, 300);
    EXPECT_EQ(output, "info " + std::to_string(book_game_count) + " opening games loaded\n");

    int resolved = 0;
    for (int g = 1; g <= book_game_count; ++g) {
        int plies = 0;
        while (plies < BookGamePlies && book_entry(g, plies + 1).from != 0) ++plies;
        EXPECT_GE(plies, 8) << "game " << g;
        EXPECT_LE(plies, 20) << "game " << g;
        resolved += plies;
    }
    EXPECT_EQ(resolved, count_moves(loaded_text()));

    // The file is already in the form the engine writes back (only its last line break differs),
    // so that learning changes nothing but weights.
    ASSERT_GE(book.size(), 2u);
    EXPECT_EQ(loaded_text().substr(0, book.size() - 2), book.substr(0, book.size() - 2));
}

TEST_F(ShippedBook, EveryGameIsLegalAndFoundByTheProbe) {
    book_random = 0;
    for (int g = 1; g <= book_game_count; ++g) {
        int plies = 0;
        while (plies < BookGamePlies && book_entry(g, plies + 1).from != 0) ++plies;
        // The engine's own move rules accept the whole game.
        const std::string refused = dispatch_line("position startpos moves" + uci_moves(g, plies));
        ASSERT_EQ(GamePly, plies) << "game " << g << ": " << refused;

        // From each position of the game but the last, the probe finds a book move.
        for (int p = 1; p < plies; p += 3) {
            dispatch_line("position startpos moves" + uci_moves(g, p));
            testing::internal::CaptureStdout();
            const bool found = probe_book();
            testing::internal::GetCapturedStdout();
            ASSERT_TRUE(found) << "game " << g << " ply " << p;
        }
    }
}

TEST_F(ShippedBook, EveryLineLearnsUpToItsLastMove) {
    // The weights as shipped and the moves, game by game.
    std::vector<std::vector<int>> shipped(size_t(book_game_count) + 1);
    std::vector<std::string> lines(shipped.size());
    for (int g = 1; g <= book_game_count; ++g) {
        for (int p = 1; p <= BookGamePlies && book_entry(g, p).from != 0; ++p)
            shipped[size_t(g)].push_back(book_entry(g, p).weight);
        lines[size_t(g)] = uci_moves(g, int(shipped[size_t(g)].size()));
    }

    // Each line played as a game that one side won (White the odd lines, Black the even ones),
    // the book following it to its last move; then the book is read back from its file.
    int learntWhole = 0;
    for (int g = 1; g <= int(shipped.size()) - 1; ++g) {
        const std::vector<int>& before = shipped[size_t(g)];
        const int plies = int(before.size());
        const int8_t result = g % 2 ? 1 : -1;
        files.write(book);
        dispatch_line("position startpos moves" + lines[size_t(g)]);
        ASSERT_EQ(GamePly, plies) << "game " << g;
        last_book_ply = int16_t(plies);
        testing::internal::CaptureStdout();
        const uint8_t failed = update_book(result);
        load_book(1);
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(failed, 0) << "game " << g;

        bool whole = true;
        for (int p = 1; p <= plies; ++p) {
            const int w = before[size_t(p - 1)];
            const int target = (p % 2 == 1) == (result > 0) ? 100 : 0;
            const int expected = (9 * w + target) / 10;
            const int now = book_entry(g, p).weight;
            EXPECT_EQ(now, expected) << "game " << g << " ply " << p;
            // Toward the result: every shipped weight lies well inside 0..90.
            EXPECT_TRUE(target > w ? now > w : now < w) << "game " << g << " ply " << p;
            whole &= now == expected;
        }
        learntWhole += whole;
    }
    EXPECT_EQ(learntWhole, int(shipped.size()) - 1);
    std::printf("[ figures  ] %d of %d book lines learnt up to their last move\n", learntWhole,
                int(shipped.size()) - 1);
}

} // namespace
