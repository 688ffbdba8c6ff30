// The generator's seed: games started close together in time, or by engines started one after
// another, open differently.
#include "core/random.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "board/notation.h"
#include "board/position.h"
#include "book/book_files.h"
#include "shell/think.h"

namespace {

TEST(RandomGenerator, SeedsOfNearbyClocksAndProcessesDrawUnrelatedNumbers) {
    // The first draws after seeds a millisecond, a microsecond or one process id apart.
    const uint64_t second = 1717171717ull * 1000000000ull;
    std::set<int> first;
    for (int i = 0; i < 100; ++i) {
        for (const uint32_t seed : {mixed_seed(second + uint64_t(i) * 1000000, 4242),
                                    mixed_seed(second + uint64_t(i) * 1000, 4242),
                                    mixed_seed(second, 4242 + uint32_t(i))}) {
            random_seed(seed);
            first.insert(random_draw() / 1024); // which of 32 bands the draw falls in
        }
    }
    EXPECT_EQ(first.size(), 32u) << "300 first draws cover every band of the range";
    EXPECT_NE(mixed_seed(second, 1), mixed_seed(second, 2));
    EXPECT_NE(mixed_seed(second, 1), mixed_seed(second + 1, 1));
}

class OpeningVariety : public ::testing::Test {
  protected:
    void SetUp() override {
        start_engine_with_book();
        files.load(shipped_book());
    }
    void TearDown() override { dispatch_line("position startpos"); }

    // The move text (e2e4) of each of 200 games, the generator seeded as 200 engines started a
    // millisecond apart would seed it; the move chosen by choose().
    template <typename Choose>
    std::map<std::string, int> spread(const std::string& game, Choose choose) {
        std::map<std::string, int> count;
        const uint64_t second = 1717171717ull * 1000000000ull;
        for (int i = 0; i < 200; ++i) {
            dispatch_line("position startpos" + game);
            random_seed(mixed_seed(second + uint64_t(i) * 1000000, 30000 + uint32_t(i % 7)));
            testing::internal::CaptureStdout();
            const MOVE m = choose();
            testing::internal::GetCapturedStdout();
            ++count[m == 0 ? "none" : move_to_uci(m)];
        }
        return count;
    }
    static std::string figures(const std::map<std::string, int>& count) {
        std::string text;
        for (const auto& [move, n] : count) text += " " + move + " " + std::to_string(n);
        return text;
    }

    BookFiles files;
};

TEST_F(OpeningVariety, FirstMovesOfTwoHundredGamesSpreadOverTheFourOpenings) {
    const auto count = spread("", [] {
        think();
        return best_move;
    });
    std::printf("[ figures  ] first moves of 200 games:%s\n", figures(count).c_str());
    ASSERT_EQ(count.size(), 4u) << figures(count);
    for (const char* m : {"e2e4", "d2d4", "g1f3", "c2c4"}) EXPECT_GE(count.at(m), 25) << m;
}

TEST_F(OpeningVariety, RepliesToTheKingsPawnSpreadOverTheBook) {
    const auto count = spread(" moves e2e4", [] { return probe_book() ? book_move : MOVE(0); });
    std::printf("[ figures  ] replies to 1.e4 in 200 games:%s\n", figures(count).c_str());
    EXPECT_EQ(count.count("none"), 0u);
    EXPECT_GE(count.size(), 4u) << figures(count);
}

} // namespace
