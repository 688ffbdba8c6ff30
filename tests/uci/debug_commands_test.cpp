#include <gtest/gtest.h>

#include <string>

#include "eval/game_position.h"
#include "uci/debug_commands.h"

TEST(EvalCommand, EndsWithTheEvaluationOfTheGamePosition) {
    struct Case {
        const char* fen;
        const char* lastLine;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "Evaluation: 0\n"},
        {"8/8/4k3/8/4K3/4P3/8/8 w - - 0 1", "Evaluation: 10\n"},
        {"8/8/4k3/8/8/8/8/2B1K3 b - - 0 1", "Evaluation: 0\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(setup_game_position(c.fen)) << c.fen;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(run_debug_command("eval"));
        std::string out = testing::internal::GetCapturedStdout();
        ASSERT_GE(out.size(), std::string(c.lastLine).size()) << out;
        EXPECT_EQ(out.substr(out.rfind('\n', out.size() - 2) + 1), c.lastLine) << out;
        EXPECT_NE(out.find("Material: "), std::string::npos);
    }
}
