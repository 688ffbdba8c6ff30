// A console game of the real engine through a pipe: the engine started with -console in a
// working directory of its own, the questionnaire's answers and the player's keys written to its
// standard input, its screen text and its files read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/engine_process.h"
#include "support/temp_files.h"

// Questionnaire answers that accept the defaults with clocks of the given minutes, then choose
// the computer's side (w, b or c) and confirm; or autoplay ("a").
inline std::string accept_defaults(const std::string& minutes, const std::string& side) {
    const std::string who = side == "a" ? "y" : "n" + side;
    return "\ry" + minutes + "\r" + who + "nny";
}

// A 216-byte position file in the English letter set, rank 8 first ("K" white king, "k" black).
inline std::string position_file(const std::vector<std::string>& ranks) {
    std::string bytes;
    for (const std::string& rank : ranks) {
        for (char c : rank) {
            bytes += '|';
            if (c == '.') {
                bytes += "  ";
            } else {
                bytes += c >= 'a' ? 'B' : 'W';
                bytes += char(c >= 'a' ? c - 'a' + 'A' : c);
            }
        }
        bytes += "|\r\n";
    }
    return bytes;
}

// The engine started with -console in a working directory of its own, with or without the
// opening book.
class ConsoleGame {
  public:
    explicit ConsoleGame(bool withBook) {
        std::string pattern = ::testing::TempDir() + "talvor_console_XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) directory = pattern + "/";
        if (withBook) {
            std::filesystem::copy_file(TALVOR_BOOK_FILE, directory + "pellan.txt",
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }
    ~ConsoleGame() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    void write(const std::string& name, const std::string& bytes) const {
        FILE* f = std::fopen((directory + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::string file(const std::string& name) const { return read_file(directory + name); }

    // Plays the keys, then ends the input; the engine's exit status, -1 when it still ran
    // after timeout_ms.
    int play(const std::string& keys, int timeout_ms = 30000) {
        EngineProcess engine({"-console"}, directory);
        engine.send(keys);
        engine.close_input();
        const int status = engine.wait_exit(timeout_ms);
        screen = engine.output();
        return status;
    }

    size_t count(const std::string& text) const {
        size_t n = 0;
        for (size_t at = screen.find(text); at != std::string::npos; at = screen.find(text, at + 1))
            ++n;
        return n;
    }
    bool shows(const std::string& text) const { return screen.find(text) != std::string::npos; }

    std::string directory;
    std::string screen;
};

// The header of a finished game's record, as the console writes it on the day of the test.
inline std::string record_header(const std::string& white, const std::string& black,
                                 const std::string& result, int plyCount) {
    int year = 0, month = 0, day = 0;
    platform_local_date(&year, &month, &day);
    char date[16];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d", year, month, day);
    return "[Event \"Casual game\"]\n[Site \"?\"]\n[Date \"" + std::string(date) +
           "\"]\n[Round \"\"]\n[White \"" + white + "\"]\n[Black \"" + black + "\"]\n[Result \"" +
           result + "\"]\n[ECO \"\"]\n[PlyCount \"" + std::to_string(plyCount) + "\"]\n";
}
