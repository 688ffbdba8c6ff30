// Scratch book files for the book tests: each test gets its own directory and points the book's
// file name there, so that no test reads or rewrites the shipped book.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "book/book.h"
#include "core/settings.h"
#include "uci/dispatch_line.h"

class BookFiles {
  public:
    BookFiles() {
        static std::atomic<int> serial{0};
        directory = std::filesystem::path(testing::TempDir()) /
                    ("talvor-book-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
        path = (directory / "pellan.txt").string();
        install_book_settings();
        book_file_name = path.c_str();
    }
    ~BookFiles() {
        release_book();
        book_file_name = "pellan.txt";
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    BookFiles(const BookFiles&) = delete;
    BookFiles& operator=(const BookFiles&) = delete;

    void write(const std::string& text) const {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    std::string read() const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Writes text as the book and loads it; returns what the loader wrote.
    std::string load(const std::string& text, uint8_t parseAll = 1) const {
        write(text);
        testing::internal::CaptureStdout();
        load_book(parseAll);
        return testing::internal::GetCapturedStdout();
    }

    std::filesystem::path directory;
    std::string path;
};

// The loaded normalised text.
inline std::string loaded_text() {
    return book_text == nullptr ? std::string() : std::string(book_text, size_t(book_text_length));
}

// Entry of game g (1-based), ply p (1-based).
inline const BookMove& book_entry(int game, int ply) {
    return book_moves[size_t(game - 1) * BookGameEntries + size_t(ply - 1)];
}

// A book larger than the bytes the loader reads: text followed by games long enough (a long
// comment each) to keep the number of games small.
inline std::string oversized_book(const std::string& text) {
    const std::string game = "[Event \"filler\"]\r\n{" + std::string(4000, '-') +
                             "}\r\ne4 (30) e5 (30) Nf3 (30) Nc6 (30)\r\n";
    std::string book = text;
    while (book.size() <= size_t(BookTextLimit)) book += game;
    return book;
}

// The shipped book, read from the repository.
inline std::string shipped_book() {
    std::ifstream in(TALVOR_BOOK_FILE, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The engine ready for position commands in UCI mode, with the book in use.
inline void start_engine_with_book() {
    init_engine_tables_once();
    reset_dispatcher_state();
    uci_mode = 1;
    console_mode = 0;
    use_book = own_book_option = saved_use_book = 1;
    dispatch_line("isready");
}
