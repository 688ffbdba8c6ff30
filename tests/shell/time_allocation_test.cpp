#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "board/notation.h"
#include "board/position.h"
#include "core/random.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "search/root_search.h"
#include "search/search_fixture.h"
#include "search/search_flags.h"
#include "shell/think.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"

namespace {

class TimeAllocation : public ::testing::Test {
  protected:
    void SetUp() override {
        init_engine_tables_once();
        reset_dispatcher_state();
        uci_mode = 1;
        console_mode = 0;
        time_factor = 170;
        move_credit_play = move_credit_input = 0;
        real_board_delay = 0;
        root_score = 0;
        nodes_per_second = 500000;
        extra_time_flag = 0;
        clock_running = 1;
        dispatch_line("isready");
        dispatch_line("position startpos");
    }
    // The go line's clocks allotted for the side to move; returns what was written.
    static std::string allot(const std::string& go) {
        engine_busy = 0; // the waiting loop's part between two searches
        dispatch_line("position startpos");
        dispatch_line(go);
        testing::internal::CaptureStdout();
        allocate_time();
        return testing::internal::GetCapturedStdout();
    }
};

} // namespace

TEST_F(TimeAllocation, LongClockWithoutIncrement) {
    // 300 s, no increment: 40 moves to go and 20 s kept back: 7 s a move, 170 % of it.
    EXPECT_EQ(allot("go wtime 300000 btime 300000"), "info xtempsprevu : 11\n");
    EXPECT_NEAR(allotted_seconds, 11.9, 0.01);
    EXPECT_NEAR(hard_time_limit, 300.0 / 40 * 3 - 2, 0.01);
    EXPECT_EQ(node_limit - node_count, uint64_t(11.9 * 500000));
}

TEST_F(TimeAllocation, FixedTimePerMoveStopsJustBeforeIt) {
    allot("go movetime 5000");
    EXPECT_NEAR(allotted_seconds, 8.5, 0.01); // 170 % of the 5 s: the hard limit decides
    EXPECT_NEAR(hard_time_limit, 4.95, 0.001);
    allot("go movetime 200");
    EXPECT_GT(hard_time_limit, 0.15);
    EXPECT_LT(hard_time_limit, 0.2);
}

TEST_F(TimeAllocation, RealBoardDelayIsKeptBack) {
    real_board_delay = 1;
    allot("go wtime 300000 btime 300000");
    EXPECT_NEAR(allotted_seconds, (7.0 - 5) * 1.7, 0.01);
    EXPECT_NEAR(hard_time_limit, 300.0 / 40 * 3 - 5 - 2, 0.01);
}

TEST_F(TimeAllocation, BlitzClocksLeaveTimeForEveryMove) {
    // In whole seconds a 2-second clock left nothing to allot and a hard limit of 0; the game was
    // then lost on time. Every control a GUI uses must give a positive, sensible share.
    const struct {
        const char* go;
        double most;
    } cases[] = {
        {"go wtime 2000 btime 2000 winc 20 binc 20", 0.2},
        {"go wtime 300 btime 300 winc 20 binc 20", 0.05},
        {"go wtime 10000 btime 10000 winc 100 binc 100", 1.0},
        {"go wtime 60000 btime 60000 winc 600 binc 600", 6.0},
        {"go wtime 60000 btime 60000 movestogo 40", 6.0},
        {"go wtime 1500 btime 1500 movestogo 1", 1.5},
    };
    for (const auto& c : cases) {
        allot(c.go);
        EXPECT_GT(hard_time_limit, 0.0) << c.go;
        EXPECT_LT(hard_time_limit, c.most) << c.go;
        EXPECT_GT(allotted_seconds, 0.0) << c.go;
        EXPECT_GE(node_limit - node_count, 20000u) << c.go;
    }
}

TEST_F(TimeAllocation, MovesToGoStopInTimeOnEveryClock) {
    // "go wtime T btime T movestogo g", at any time factor, with or without an increment: the
    // search stops (hard limit) and no extension of it goes on (ceiling) past the moment that
    // still leaves 30 ms for the answer to reach the interface before the clock less a twentieth
    // of it (at least 50 ms). With moves still to go the rest of the period keeps, for each of
    // its moves, at least a third of what this one may take. Three times the average share once
    // stopped a move with two to go at 150 % of the clock, and with one to go 25 ms before it.
    constexpr double AnswerTime = 0.03;
    for (int ms : {1000, 3000, 10000, 30000, 120000, 300, 600000}) {
        for (int g : {1, 2, 3, 4, 5, 10, 20, 40, 80}) {
            for (int factor : {50, 170, 20000}) {
                for (int inc : {0, 1000}) {
                    time_factor = int16_t(factor);
                    const std::string go = "go wtime " + std::to_string(ms) + " btime " +
                                           std::to_string(ms) + " winc " + std::to_string(inc) +
                                           " binc " + std::to_string(inc) + " movestogo " +
                                           std::to_string(g);
                    allot(go);
                    const double T = ms / 1000.0;
                    const double deadline = T - std::max(0.05, T / 20);
                    EXPECT_GE(hard_time_limit, 0.0) << go;
                    EXPECT_LE(hard_time_limit, hard_time_ceiling) << go;
                    EXPECT_LT(hard_time_ceiling + AnswerTime, deadline) << go;
                    if (g >= 2) {
                        EXPECT_GE((T - hard_time_ceiling) / (g - 1), hard_time_ceiling / 3 - 1e-9)
                            << go;
                    }
                    // Not cut below a fair share either: most of the clock for the last move
                    // before the control, at least the average share for the others.
                    if (T >= 1) {
                        EXPECT_GE(hard_time_limit, (g == 1 ? T / 2 : T / g) - 1e-9) << go;
                    }
                    EXPECT_GE(node_limit - node_count, 20000u) << go;
                }
            }
        }
    }
}

TEST_F(TimeAllocation, ClocksWithoutMovesToGoKeepTheirLimitsUnderTheCeiling) {
    // The whole game on the clock: the hard limit is three times the share of the moves still to
    // play, as it was; the ceiling only keeps extensions within the clock.
    const struct {
        const char* go;
        double hard;
    } cases[] = {
        {"go wtime 300000 btime 300000", 300.0 / 40 * 3 - 2},
        {"go wtime 10000 btime 10000 winc 100 binc 100", 10.0 / 40 * 3 - 10.0 / 40},
        {"go wtime 2000 btime 2000 winc 20 binc 20", 2.0 / 40 * 3 - 2.0 / 40},
    };
    for (const auto& c : cases) {
        allot(c.go);
        EXPECT_NEAR(hard_time_limit, c.hard, 1e-9) << c.go;
        const double T = clock_ms[White] / 1000.0;
        EXPECT_GE(hard_time_ceiling, hard_time_limit) << c.go;
        EXPECT_LT(hard_time_ceiling + 0.03, T - std::max(0.05, T / 20)) << c.go;
    }
    // A fixed time per move is its own ceiling: nothing goes past it.
    allot("go movetime 5000");
    EXPECT_NEAR(hard_time_ceiling, 4.95, 1e-9);
}

TEST_F(TimeAllocation, ShortConsoleClocksGiveTheEngineItsShare) {
    uci_mode = 0;
    console_mode = 1;
    moves_to_go = 0;
    increment[White] = increment[Black] = 0;
    time_used[White] = time_used[Black] = 0;
    const struct {
        int clock, used, credits;
        double allotted, hard;
        uint64_t budget;
    } cases[] = {
        // One minute: 40 moves to go and a tenth of the clock kept back; the hard limit three
        // times the average share less a fortieth of the clock (once 0 below 160 seconds).
        {60, 0, 0, (60 - 6) / 40.0, 1.5 * 3 - 1.5, uint64_t((60 - 6) / 40.0 * 500000)},
        {120, 0, 0, (120 - 12) / 40.0, 3.0 * 3 - 3, uint64_t((120 - 12) / 40.0 * 500000)},
        {300, 0, 0, (300 - 20) / 40.0, 7.5 * 3 - 7.5, uint64_t(7.0 * 500000)},
        // Long clocks as before: 20 seconds kept back, a margin of 10 seconds.
        {600, 0, 0, 14.5, 15.0 * 3 - 10, uint64_t(14.5 * 500000)},
        // Operator credits (autoplay's one second) are kept from the search, not from the clock.
        {60, 0, 1, (60 - 6) / 40.0, 3.0, uint64_t(((60 - 6) / 40.0 - 1) * 500000)},
        // A clock run out: the minimum budget, and a second to search it.
        {60, 61, 0, 0.0, 1.0, 20000},
    };
    for (const auto& c : cases) {
        side_clock[White] = c.clock;
        time_used[White] = c.used;
        move_credit_play = int8_t(c.credits);
        testing::internal::CaptureStdout();
        allocate_time();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << c.clock;
        EXPECT_NEAR(allotted_seconds, std::max<double>(c.allotted, c.credits), 0.001) << c.clock;
        EXPECT_NEAR(hard_time_limit, c.hard, 0.001) << c.clock;
        EXPECT_NEAR(double(node_limit - node_count), double(std::max<uint64_t>(c.budget, 20000)),
                    2.0)
            << c.clock;
    }
    move_credit_play = 0;
    time_used[White] = 0;
    uci_mode = 1;
    console_mode = 0;
}

TEST(ConsoleClock, ChargesCarryTheFractionsOfASecond) {
    reset_clock_carry(White);
    time_used[White] = 0;
    for (int move = 0; move < 20; ++move) charge_clock(White, 0.5);
    EXPECT_EQ(time_used[White], 10); // twenty moves of half a second, not twenty seconds
    charge_clock(White, 2.75);
    EXPECT_EQ(time_used[White], 12);
    charge_clock(White, 0.25);
    EXPECT_EQ(time_used[White], 13);
    charge_clock(White, 0.5);
    reset_clock_carry(White); // a clock set by hand starts afresh
    charge_clock(White, 0.5);
    EXPECT_EQ(time_used[White], 13);
    reset_clock_carry(White);
    time_used[White] = 0;
}

TEST_F(TimeAllocation, ConsoleMovesAreChargedTheTimeTheyTookAndTheCredits) {
    // Book moves take no time: they cost the console clock nothing but the operator's credits
    // (once a whole second each).
    uci_mode = 0;
    console_mode = 1;
    use_book = standard_start = 1;
    side_clock[White] = 60;
    time_used[White] = 0;
    reset_clock_carry(White);
    for (const int credits : {0, 2}) {
        move_credit_play = int8_t(credits);
        const int before = time_used[White];
        for (int move = 0; move < 5; ++move) {
            dispatch_line("position startpos");
            testing::internal::CaptureStdout();
            EXPECT_EQ(computer_move(), 0);
            testing::internal::GetCapturedStdout();
        }
        EXPECT_EQ(time_used[White] - before, 5 * credits) << credits;
    }
    move_credit_play = 0;
    time_used[White] = 0;
    reset_clock_carry(White);
    uci_mode = 1;
    console_mode = 0;
}

TEST_F(TimeAllocation, LongGamesKeepTheirClock) {
    // Move 70 of a game at 10 s + 0.1 s: the share must stay a small part of the clock (the
    // moves still to play once fell to one, and the whole clock went into one move).
    engine_busy = 0;
    dispatch_line("position startpos");
    GamePly = 140;
    dispatch_line("go wtime 6000 btime 6000 winc 100 binc 100");
    testing::internal::CaptureStdout();
    allocate_time();
    testing::internal::GetCapturedStdout();
    EXPECT_LT(allotted_seconds, 0.8);
    EXPECT_LT(hard_time_limit, 1.0);
    root_score = -300; // losing: twice the share, still far from the whole clock
    testing::internal::CaptureStdout();
    allocate_time();
    testing::internal::GetCapturedStdout();
    EXPECT_LT(allotted_seconds, 1.5);
    EXPECT_LT(hard_time_limit, 2.0);
}

TEST_F(TimeAllocation, EveryGoBringsItsOwnIncrements) {
    allot("go wtime 60000 btime 60000 winc 600 binc 600");
    EXPECT_EQ(increment_ms[White], 600);
    allot("go wtime 300000 btime 300000");
    EXPECT_EQ(increment_ms[White], 0);
    EXPECT_EQ(increment[Black], 0);
    EXPECT_NEAR(allotted_seconds, 11.9, 0.01);
}

TEST_F(TimeAllocation, EasyRecaptureCutsTheBudget) {
    // White has just lost a knight on d5 for nothing in its own eyes (the last search said 0)
    // but the static score now says it is a knight down... the recapture is obvious.
    engine_busy = 0;
    dispatch_line("position startpos moves e2e4 d7d5 e4d5 g8f6 b1c3 f6d5");
    root_score = 0;
    dispatch_line("go wtime 300000 btime 300000");
    testing::internal::CaptureStdout();
    allocate_time();
    testing::internal::GetCapturedStdout();
    // After Nxd5 White is down a pawn at most: no easy recapture.
    EXPECT_FALSE(easy_recapture);
    root_score = 400; // the last search expected White well ahead after the capture
    testing::internal::CaptureStdout();
    allocate_time();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(easy_recapture);
    EXPECT_EQ(node_limit - node_count, uint64_t(11.9 * 500000) / 4);
}

TEST(TimeFactor, StepsByTenWithinItsBounds) {
    const struct {
        int factor;
        bool overspent;
        int next;
    } cases[] = {
        {170, true, 160},      {170, false, 180},     {55, true, 50},       {50, true, 50},
        {19995, false, 20000}, {20000, false, 20000}, {20000, true, 19990}, {50, false, 60},
    };
    for (const auto& c : cases)
        EXPECT_EQ(next_time_factor(c.factor, c.overspent), c.next)
            << c.factor << " " << c.overspent;
}

TEST_F(TimeAllocation, FirstMoveFromTheStandardPositionIsOneOfFourOpenings) {
    // With the book on, the engine's first move from the standard position is e4, d4, Nf3 or c4,
    // chosen at random: over many games each of the four comes up.
    use_book = 1;
    std::set<std::string> seen;
    random_seed(12345);
    for (int game = 0; game < 200; ++game) {
        dispatch_line("position startpos");
        ASSERT_EQ(think(), 0);
        const std::string move = move_to_uci(best_move);
        EXPECT_TRUE(move == "e2e4" || move == "d2d4" || move == "g1f3" || move == "c2c4") << move;
        seen.insert(move);
    }
    EXPECT_EQ(seen.size(), 4u);
}

TEST(TimeFactor, AMoveOverspendsWhenItUsesMoreThanItsBudget) {
    const struct {
        uint64_t start, limit, count;
        int factor;
        bool overspent;
        const char* why;
    } cases[] = {
        {1000, 101000, 60000, 100, false, "within the budget"},
        {1000, 101000, 101001, 100, true, "beyond the budget"},
        {1000, 101000, 60000, 200, true, "beyond the budget scaled down by a factor of 200"},
        {1000, 101000, 150000, 50, false, "within the budget scaled up by a factor of 50"},
        // An emergency restart set the start of the move beyond its first limit: the budget did
        // not wrap into a huge one, the move overspent.
        {150000, 101000, 170000, 100, true, "after an emergency restart"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(move_overspent(c.start, c.limit, c.count, c.factor), c.overspent) << c.why;
}

namespace {

class TimeFactorCalibration : public SearchFixture {
  protected:
    void TearDown() override {
        nodes_per_second = 500000;
        speed_measured = 0;
        time_used[White] = 0;
        go_depth_limit = 0;
    }

    // White to move in the Ruy Lopez, the engine playing on a clock of `seconds` each without
    // increment or credits, its speed taken as `speed` (measured) and its last depth `lastDepth`.
    static void play_on_the_clock(int seconds, uint32_t speed, int lastDepth) {
        ASSERT_TRUE(set_position("startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6"));
        mode_char = 'A';
        use_book = 0;
        on_clock = 1;
        clock_running = 1;
        unlimited = 0;
        moves_to_go = 0;
        fixed_move_time = 0;
        increment[White] = increment[Black] = 0;
        side_clock[White] = side_clock[Black] = seconds;
        time_used[White] = time_used[Black] = 0;
        move_credit_play = move_credit_input = 0;
        extra_time_flag = 0;
        speed_measured = 1;
        nodes_per_second = speed;
        last_depth[White] = int8_t(lastDepth);
        time_factor = 170;
    }

    static void computer_move_quietly() {
        testing::internal::CaptureStdout();
        computer_move();
        testing::internal::GetCapturedStdout();
    }
};

} // namespace

TEST_F(TimeFactorCalibration, AMoveThatNeededARestartLowersTheFactor) {
    // The first iteration cannot finish within the minimum budget: the search restarts shallower
    // past its first node limit. The move overspent its budget, so the factor goes down; the
    // budget counted from the restart once wrapped below zero to 2^64 and raised it.
    play_on_the_clock(60, 1, 40); // the budget is the minimum of 20000 nodes
    computer_move_quietly();
    EXPECT_TRUE(emergency_mode);
    EXPECT_EQ(time_factor, 160);
    EXPECT_NE(find_uci_move(uci(best_move).c_str()), 0u);
}

TEST_F(TimeFactorCalibration, TheSpeedOfAMoveThatNeededARestartCountsAllItsNodes) {
    // The restart moves the start of the node budget, not the start of the clock: the speed is
    // the whole move's nodes over the whole move's time. Counted from the restart only, it came
    // out at about half and the next budgets were too small.
    play_on_the_clock(600, 20000, 40); // a few hundred thousand nodes before the restart
    const uint64_t before = node_count;
    const double start = now_seconds();
    computer_move_quietly();
    const double elapsed = now_seconds() - start;
    const double wholeMoveSpeed = double(node_count - before) / elapsed;
    EXPECT_TRUE(emergency_mode);
    ASSERT_GE(elapsed, 0.05);
    EXPECT_GE(double(nodes_per_second), 0.9 * wholeMoveSpeed);
}

TEST_F(TimeFactorCalibration, AMoveTheClockStoppedLowersTheFactor) {
    // A speed taken far too high: the node budget would last for minutes, and the hard limit of
    // one second stops the search. The move used all the time it had, so the factor goes down;
    // counted by its nodes it looked thrifty and the factor rose, move after move.
    play_on_the_clock(2, 4000000000u, 0);
    computer_move_quietly();
    EXPECT_FALSE(emergency_mode);
    EXPECT_GE(now_seconds() - move_start_time, hard_time_limit);
    EXPECT_EQ(time_factor, 160);
}

TEST_F(TimeFactorCalibration, TheSpeedIsMeasuredOnMovesShorterThanASecond) {
    // Blitz moves never last a whole second: measured on such moves only, the speed stayed at
    // its first guess for the whole game and the node budgets were far off the time.
    ASSERT_TRUE(set_position("startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6"));
    mode_char = 'A';
    use_book = 0;
    on_clock = 0;
    unlimited = 1;
    extra_time_flag = 0;
    double elapsed = 0;
    for (int depth = 4; depth <= 12 && elapsed < 0.1; ++depth) {
        go_depth_limit = depth;
        nodes_per_second = 1;
        const double start = now_seconds();
        testing::internal::CaptureStdout();
        computer_move();
        testing::internal::GetCapturedStdout();
        elapsed = now_seconds() - start;
    }
    ASSERT_GE(elapsed, 0.1);
    EXPECT_GT(nodes_per_second, 1000u) << elapsed;
}
