// The console on a terminal: after Ctrl-Z and fg the keys are read one by one again.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/engine_process.h"
#include "support/terminal_process.h"

namespace {

bool raw(const termios& modes) {
    return (modes.c_lflag & (ICANON | ECHO)) == 0;
}

TEST(TerminalResume, KeysAreReadOneByOneAgainAfterAStopAndAResume) {
    std::string pattern = ::testing::TempDir() + "talvor_terminal_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    {
        TerminalProcess engine({"-console"}, pattern);
        ASSERT_TRUE(engine.started());
        ASSERT_TRUE(engine.wait_for("Press <Enter><Enter> to continue", 0, 10000))
            << engine.output();
        // The engine waits for a key: its terminal is in raw mode.
        const long long start = monotonic_ms();
        while (!raw(engine.modes()) && monotonic_ms() - start < 5000) engine.wait_for("?", 0, 10);
        const termios rawModes = engine.modes();
        ASSERT_TRUE(raw(rawModes));

        // Ctrl-Z: stopped, with the terminal as it was before.
        engine.signal(SIGTSTP);
        EXPECT_TRUE(engine.wait_stopped(5000));
        EXPECT_FALSE(raw(engine.modes()));

        // The shell keeps line mode with echo; fg resumes the engine, which takes raw mode back.
        termios lineModes = rawModes;
        lineModes.c_lflag |= ICANON | ECHO;
        engine.set_modes(lineModes);
        engine.signal(SIGCONT);
        const long long resumed = monotonic_ms();
        while (!raw(engine.modes()) && monotonic_ms() - resumed < 5000) engine.wait_for("?", 0, 10);
        EXPECT_TRUE(raw(engine.modes()));

        // One key at a time, without Enter: each is taken at once.
        size_t seen = engine.output().size();
        engine.send("\r");
        ASSERT_TRUE(engine.wait_for("Do you accept following parameters (Y/n) : ", seen, 5000))
            << engine.output().substr(seen);
        seen = engine.output().size();
        engine.send("n");
        EXPECT_TRUE(engine.wait_for("n\r\nTime for white (minutes) : ", seen, 5000))
            << engine.output().substr(seen);
    }
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
}

} // namespace
