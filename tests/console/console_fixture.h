// A console game in this process: the game position set through the position command, console
// mode, the record file in the test's temporary directory, and the keys of the player.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "console/console_keys.h"
#include "console/move_entry.h"
#include "core/settings.h"
#include "record/game_record.h"
#include "search/search_fixture.h"
#include "search/search_flags.h"
#include "shell/game_loop.h"
#include "shell/think.h"
#include "support/temp_files.h"

class ConsoleFixture : public SearchFixture {
  protected:
    void SetUp() override {
        SearchFixture::SetUp();
        reset_game_record();
        record_path = temp_path("console_", "Chess.pgn");
        std::snprintf(game_file_name, sizeof game_file_name, "%s", record_path.c_str());
        ponder_enabled = 0;
        sound = 0;
        resign_confirmed = 0;
        ponder_result_ready = ponder_result_found = 0;
        expected_move_played = 0;
        use_book = 0;
    }
    void TearDown() override {
        uci_mode = 0;
        console_mode = 0;
        reset_game_record();
        std::remove(record_path.c_str());
        give_keys("");
    }

    // The game from the position command's words, then played at the console with mode_char.
    static void start_console_game(const std::string& words, uint8_t mode) {
        ASSERT_TRUE(set_position(words)) << words;
        position_applied = 0;
        uci_mode = 0;
        console_mode = 1;
        mode_char = mode;
    }

    // human_move with the given keys; the console's text is left in said.
    int human_move_with(const std::string& keys) {
        give_keys(keys);
        testing::internal::CaptureStdout();
        const int status = human_move();
        said = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(keys_used_up()) << keys;
        return status;
    }

    std::string record_path;
    std::string said;
};
