// Damaged, random and oversized book files: the loader keeps what it can, never reads or writes
// out of bounds (these tests also run under the sanitizers), and a book it could not hold whole
// is never written back.
#include "book/book.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "board/position.h"
#include "book/book_files.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "uci/dispatcher.h"

namespace {

class BookFuzz : public ::testing::Test {
  protected:
    void SetUp() override {
        uci_mode = 1;
        console_mode = 0;
        own_book_option = 1;
        // A game that follows the first lines of the shipped book, for the updates.
        const char* moves[] = {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6"};
        for (int ply = 1; ply <= 8; ++ply) {
            ASSERT_TRUE(ensure_game_history(ply));
            std::snprintf(game_history[ply].text, sizeof game_history[ply].text, "%s",
                          moves[ply - 1]);
        }
        GamePly = 8;
        last_book_ply = 8;
    }
    void TearDown() override {
        GamePly = 0;
        last_book_ply = 0;
    }

    // What every load must leave, whatever the file held.
    static void expect_sound_book() {
        ASSERT_LE(book_text_length, BookTextLimit);
        ASSERT_LE(book_game_count, book_capacity);
        for (int g = 1; g <= book_game_count; ++g) {
            for (int p = 1; p <= BookGameEntries; ++p) {
                const BookMove& e = book_entry(g, p);
                if (e.from == 0) continue;
                ASSERT_LE(p, BookGamePlies);
                for (int cell : {int(e.from), int(e.to)}) {
                    ASSERT_GE(cell, 11);
                    ASSERT_LE(cell, 88);
                    ASSERT_GE(cell % 10, 1);
                    ASSERT_LE(cell % 10, 8);
                }
                ASSERT_LE(e.weight, 99);
                ASSERT_LE(e.kind, 3);
            }
        }
    }

    // Loads text, checks the book, runs an update, and loads what the update wrote.
    void load_and_learn(const std::string& text) {
        files.load(text);
        expect_sound_book();
        testing::internal::CaptureStdout();
        const uint8_t status = update_book(1);
        testing::internal::GetCapturedStdout();
        if (status != 0) return;
        EXPECT_EQ(files.read(), loaded_text());
        files.load(files.read());
        expect_sound_book();
    }

    BookFiles files;
};

const std::string Syntax = "[]{}()@. \r\n\"abcdefghNBRQKOox-+=012345678*#";

std::string random_text(std::mt19937& random, size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        if (random() % 2)
            text += Syntax[random() % Syntax.size()];
        else
            text += char(random() % 256);
    }
    return text;
}

TEST_F(BookFuzz, RandomBytes) {
    std::mt19937 random(20240611);
    for (int i = 0; i < 150; ++i) load_and_learn(random_text(random, random() % 6000));
}

TEST_F(BookFuzz, RandomEditsOfTheShippedBook) {
    const std::string shipped = shipped_book();
    ASSERT_FALSE(shipped.empty());
    std::mt19937 random(77);
    for (int i = 0; i < 40; ++i) {
        std::string text = shipped;
        const int edits = 1 + int(random() % 40);
        for (int k = 0; k < edits && !text.empty(); ++k) {
            const size_t at = random() % text.size();
            const size_t length = 1 + random() % 24;
            switch (random() % 4) {
            case 0: text.erase(at, length); break;
            case 1: text.insert(at, random_text(random, length)); break;
            case 2: text.replace(at, length, random_text(random, length)); break;
            default: text.insert(at, text.substr(random() % text.size(), length * 8)); break;
            }
        }
        load_and_learn(text);
    }
}

TEST_F(BookFuzz, UnbalancedAndOversizedInput) {
    const std::string cases[] = {
        std::string(1 << 20, 'N'), // one very long token
        std::string(100000, '('),          std::string(100000, ')'),
        std::string(100000, '['),          std::string(100000, ']'),
        std::string(100000, '{'),          std::string(100000, '@'),
        std::string(100000, '.'),          "e4 (30) e5 (3" + std::string(1000, '9') + ") Nf3 ",
        "[Event \"no end\" e4 e5 Nf3 Nc6", "e4 (30) ( ( ) ) ) e5 (((30 Nf3 x",
    };
    for (const std::string& text : cases) load_and_learn(text);
}

TEST_F(BookFuzz, ABookTooLargeToHoldLoadsItsStartAndIsNeverRewritten) {
    // The file is larger than the 5,242,880 bytes read.
    const std::string big = oversized_book("");
    EXPECT_EQ(files.load(big).rfind("info WARNING : only ", 0), 0u);
    EXPECT_EQ(book_truncated, 1);
    EXPECT_GT(book_game_count, 1000);
    expect_sound_book();
    testing::internal::CaptureStdout();
    EXPECT_EQ(update_book(1), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(files.read(), big);

    // A file that fits, but whose text with the weights added does not.
    std::string moves;
    while (moves.size() < size_t(BookTextLimit) * 3 / 4) moves += "Nf3 Nf6 Ng1 Ng8 ";
    EXPECT_EQ(files.load(moves), "info WARNING : only 1 opening games loaded\n");
    EXPECT_EQ(book_truncated, 1);
    EXPECT_LT(book_text_length, BookTextLimit);
    testing::internal::CaptureStdout();
    EXPECT_EQ(update_book(1), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(files.read(), moves);
}

} // namespace
