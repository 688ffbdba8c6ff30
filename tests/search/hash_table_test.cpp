#include "search/hash_table.h"

#include <gtest/gtest.h>

#include <string>

#include "board/fen_fixture.h"
#include "board/keys.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/eval_tables.h"
#include "eval/pawn_structure.h"
#include "support/engine_process.h"

namespace {

class HashTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_megabytes_ = HashMegabytes;
        HashMegabytes = 1;
        uci_mode = 0;
        GamePly = 0;
        SearchPly = 0;
        sizeHashTables();
        resetHashStatistics();
    }
    void TearDown() override {
        HashMegabytes = saved_megabytes_;
        GamePly = 0;
        SearchPly = 0;
        uci_mode = 0;
        freeHashTables();
        resetHashStatistics();
    }

    // Keys sharing one slot pair (same index part), told apart by their check part.
    static KeyPair key(uint64_t check, uint64_t index = 12345) { return KeyPair{index, check}; }
    HashRec& first(uint64_t index = 12345) { return HashTable[index & HashMask]; }
    HashRec& second(uint64_t index = 12345) { return HashTable[(index & HashMask) + HashHalf]; }

    int16_t saved_megabytes_ = 64;
};

TEST_F(HashTableTest, SizingFollowsTheHashSetting) {
    struct Case {
        int16_t megabytes;
        uint32_t entries;
        bool enabled;
    };
    const Case cases[] = {
        {1, 32768, true},
        {64, 2097152, true},
        {128, 4194304, true},
        {256, 8388608, true},
        {0, 2, false},
        {-1, 2, false},
        {-32768, 2, false},
        // Byte counts beyond 32 bits fall back to the announced maximum.
        {2048, 8388608, true},
        {32767, 8388608, true},
    };
    for (const Case& c : cases) {
        HashMegabytes = c.megabytes;
        sizeHashTables();
        SCOPED_TRACE(c.megabytes);
        EXPECT_EQ(HashEntries, c.entries);
        EXPECT_EQ(HashHalf, c.entries / 2);
        EXPECT_EQ(HashMask, c.entries / 2 - 1);
        EXPECT_EQ(HashEnabled, c.enabled);
        EXPECT_EQ(HashTable != nullptr, c.enabled);
        EXPECT_EQ(PawnEntries, 262144u);
        EXPECT_EQ(PawnHalf, 131072u);
        EXPECT_NE(PawnTable, nullptr);
    }
}

TEST_F(HashTableTest, SizingReportsTheSizesInUciModeOnly) {
    HashMegabytes = 64;
    uci_mode = 1;
    testing::internal::CaptureStdout();
    sizeHashTables();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "info Hash table size : 48\ninfo Hash pawn-table size : 6\n");

    HashMegabytes = 0;
    testing::internal::CaptureStdout();
    sizeHashTables();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "info Hash table size : 0\ninfo Hash pawn-table size : 6\n");

    uci_mode = 0;
    testing::internal::CaptureStdout();
    sizeHashTables();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(HashTableTest, ResizeDiscardsRecords) {
    hashStore(key(7), 10, 3, BoundExact, 0);
    sizeHashTables();
    uint8_t result, bound;
    MOVE move = 1;
    int16_t score;
    int8_t depth;
    EXPECT_EQ(hashProbe(key(7), 0, result, move, score, bound, depth), ProbeMiss);
    EXPECT_EQ(move, 0u);
}

TEST_F(HashTableTest, ProbeCodesFollowDepthAndBound) {
    const MOVE m = 0x5820000 | (33 << 6) | 35;
    hashStore(key(1, 1), 50, 4, BoundExact, m);
    hashStore(key(2, 2), -20, 4, BoundUpper, m);
    hashStore(key(3, 3), 70, 4, BoundLower, m);
    struct Case {
        uint64_t check;
        int depth;
        uint8_t code;
    };
    const Case cases[] = {{1, 4, ProbeExact}, {1, 3, ProbeExact}, {1, 5, ProbeShallow},
                          {2, 4, ProbeBound}, {3, 0, ProbeBound}, {3, 9, ProbeShallow},
                          {4, 0, ProbeMiss}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.check * 100 + c.depth);
        uint8_t result = 0, bound = 0;
        MOVE move = 99;
        int16_t score = 0;
        int8_t stored = 0;
        EXPECT_EQ(hashProbe(key(c.check, c.check), c.depth, result, move, score, bound, stored),
                  c.code);
        EXPECT_EQ(result, c.code);
        if (c.code == ProbeMiss) {
            EXPECT_EQ(move, 0u);
            continue;
        }
        EXPECT_EQ(move, m);
        EXPECT_EQ(stored, 4);
        EXPECT_EQ(bound, c.check == 1 ? BoundExact : c.check == 2 ? BoundUpper : BoundLower);
    }
    EXPECT_EQ(HashHitsFirst, 6u);
    EXPECT_EQ(HashHitsSecond, 0u);
}

TEST_F(HashTableTest, ReplacementKeepsTheMoreValuableRecordFirst) {
    // Same position: overwritten in place, whatever the depth.
    hashStore(key(1), 10, 5, BoundExact, 0);
    hashStore(key(1), 11, 2, BoundExact, 0);
    EXPECT_EQ(first().score, 11);
    EXPECT_EQ(first().depth, 2);

    // Another position, equal depth into a current first slot: goes to the second slot.
    hashStore(key(2), 20, 2, BoundExact, 0);
    EXPECT_EQ(first().check, 1u);
    EXPECT_EQ(second().check, 2u);

    // Deeper: the first slot is demoted into the second.
    hashStore(key(3), 30, 6, BoundExact, 0);
    EXPECT_EQ(first().check, 3u);
    EXPECT_EQ(second().check, 1u);

    // Deeper again, but the second slot is current and at least as deep: no demotion.
    second().depth = 9;
    hashStore(key(4), 40, 7, BoundExact, 0);
    EXPECT_EQ(first().check, 4u);
    EXPECT_EQ(second().check, 1u);

    // Shallower, second slot current and deeper than the new record: nothing stored.
    hashStore(key(5), 50, 3, BoundExact, 0);
    EXPECT_EQ(first().check, 4u);
    EXPECT_EQ(second().check, 1u);

    // Shallower, second slot current but not deeper: the second slot is overwritten.
    second().depth = 3;
    hashStore(key(6), 60, 3, BoundExact, 0);
    EXPECT_EQ(first().check, 4u);
    EXPECT_EQ(second().check, 6u);
    EXPECT_EQ(second().score, 60);
    EXPECT_EQ(HashStores, 7u);
    EXPECT_EQ(HashStaleStores, 1u); // only the first store, into a slot never written
}

TEST_F(HashTableTest, AFreshTableTakesQuiescenceRecordsInTheFirstGeneration) {
    // Generation 0 is the age of a slot never written; such a slot must still take a record of
    // depth -1 instead of refusing it as a deeper current record.
    GamePly = 0;
    hashStore(key(7), 15, -1, BoundLower, 0);
    uint8_t result = 0, bound = 0;
    MOVE move = 1;
    int16_t score = 0;
    int8_t depth = 0;
    EXPECT_EQ(hashProbe(key(7), -1, result, move, score, bound, depth), ProbeBound);
    EXPECT_EQ(score, 15);
    EXPECT_EQ(depth, -1);
}

TEST_F(HashTableTest, GenerationChangesEveryEightPlies) {
    const struct {
        int16_t ply;
        uint8_t generation;
    } cases[] = {{0, 0},   {7, 0},     {8, 8},     {15, 8},    {16, 0},
                 {127, 8}, {128, 128}, {136, 136}, {143, 136}, {144, 128}};
    for (const auto& c : cases) {
        GamePly = c.ply;
        EXPECT_EQ(hashGeneration(), c.generation) << "GamePly " << c.ply;
    }
}

TEST_F(HashTableTest, RecordsOfAnOlderGenerationGiveWay) {
    const int16_t boundaries[][2] = {{7, 8}, {15, 16}, {127, 128}};
    for (const auto& b : boundaries) {
        sizeHashTables();
        resetHashStatistics();
        GamePly = b[0];
        hashStore(key(1), 10, 9, BoundExact, 0);
        hashStore(key(2), 20, 9, BoundExact, 0);
        ASSERT_EQ(second().check, 2u);
        resetHashStatistics();

        // New generation: a shallow store takes the first slot and demotes the stale record
        // into the (also stale) second slot.
        GamePly = b[1];
        hashStore(key(3), 30, 1, BoundExact, 0);
        EXPECT_EQ(first().check, 3u);
        EXPECT_EQ(first().age, hashGeneration());
        EXPECT_EQ(second().check, 1u);
        EXPECT_EQ(HashStaleStores, 1u);

        // Stale first slot with a current second slot: the second slot is kept.
        first(999) = HashRec{4, 40, 0, 5, BoundExact, uint8_t(hashGeneration() ^ 8)};
        second(999) = HashRec{6, 60, 0, 1, BoundExact, hashGeneration()};
        hashStore(key(7, 999), 70, 1, BoundExact, 0);
        EXPECT_EQ(first(999).check, 7u);
        EXPECT_EQ(second(999).check, 6u);
        EXPECT_EQ(HashStaleStores, 2u);
        EXPECT_EQ(HashStores, 2u);
    }
}

TEST_F(HashTableTest, MateScoresAreStoredRelativeToThePosition) {
    SearchPly = 3;
    hashStore(key(1, 1), 8990, 2, BoundExact, 0);
    hashStore(key(2, 2), -8990, 2, BoundExact, 0);
    hashStore(key(3, 3), 8500, 2, BoundExact, 0);
    EXPECT_EQ(first(1).score, 8992);
    EXPECT_EQ(first(2).score, -8992);
    EXPECT_EQ(first(3).score, 8500);

    SearchPly = 5;
    const int16_t expected[] = {8988, -8988, 8500};
    for (int i = 0; i < 3; ++i) {
        uint8_t result, bound;
        MOVE move;
        int16_t score = 0;
        int8_t depth;
        hashProbe(key(uint64_t(i + 1), uint64_t(i + 1)), 0, result, move, score, bound, depth);
        EXPECT_EQ(score, expected[i]);
    }
}

TEST_F(HashTableTest, MarkersAndTheNullMoveAreStoredAsNoMove) {
    const MOVE real = 0x5820000 | (33 << 6) | 35;
    const MOVE moves[][2] = {{NO_MOVE, 0},   {0x30000000, 0}, {0xA0000000, 0},
                             {NULL_MOVE, 0}, {0, 0},          {real, real}};
    for (const auto& m : moves) {
        hashStore(key(1), 0, 1, BoundExact, m[0]);
        EXPECT_EQ(first().move, m[1]) << std::hex << m[0];
    }
}

TEST_F(HashTableTest, WithoutATableNothingIsStoredAndEveryProbeMisses) {
    HashMegabytes = 0;
    sizeHashTables();
    hashStore(key(1), 10, 3, BoundExact, 0);
    uint8_t result, bound;
    MOVE move = 5;
    int16_t score;
    int8_t depth;
    EXPECT_EQ(hashProbe(key(1), 0, result, move, score, bound, depth), ProbeMiss);
    EXPECT_EQ(move, 0u);
    EXPECT_EQ(HashStores, 0u);
    EXPECT_EQ(hashFullPermill(), 1000);
    clearHashTable(); // harmless without a table
}

TEST_F(HashTableTest, HashfullCountsStaleStoresAndResets) {
    GamePly = 3;
    hashStore(key(1, 1), 0, 1, BoundExact, 0);
    hashStore(key(2, 2), 0, 1, BoundExact, 0);
    GamePly = 8;
    hashStore(key(3, 1), 0, 1, BoundExact, 0); // first slot of the old generation
    hashStore(key(4, 2), 0, 1, BoundExact, 0); // first slot of the old generation
    hashStore(key(5, 1), 0, 1, BoundExact, 0); // same slot, current now
    EXPECT_EQ(HashStores, 5u);
    // Two stores into slots never written, two into slots of the old generation.
    EXPECT_EQ(HashStaleStores, 4u);
    EXPECT_EQ(hashFullPermill(), 333);
    resetHashStatistics();
    EXPECT_EQ(HashStores, 0u);
    EXPECT_EQ(HashStaleStores, 0u);
    EXPECT_EQ(hashFullPermill(), 1000);
}

TEST_F(HashTableTest, ClearingEmptiesTheTranspositionTable) {
    hashStore(key(1, 1), 10, 3, BoundExact, 0);
    hashStore(key(2, 77), 10, 3, BoundExact, 0);
    clearHashTable();
    for (uint32_t i = 0; i < HashEntries; ++i) ASSERT_EQ(HashTable[i].check, 0u) << i;
    EXPECT_TRUE(HashEnabled);
}

class PawnTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        init_board_rules_once();
        init_evaluation_tables();
        HashMegabytes = 1;
        sizeHashTables();
    }
    void TearDown() override {
        HashMegabytes = 64;
        freeHashTables();
    }
    static HashPawnRec& slot_of(const KeyPair& key, bool second) {
        return PawnTable[(uint32_t(key.key32) & PawnMask) + (second ? PawnHalf : 0)];
    }
    // Overwrites the summary fields so that a copy from the table is visible.
    static void scramble_summary() {
        PlyState& st = PlyStates[0];
        st.pawnScore = 12345;
        st.passedCount[White] = st.passedCount[Black] = 77;
        st.topPasser[White] = st.topPasser[Black] = 1;
        st.castleScore[White] = st.castleScore[Black] = 999;
        st.openLineDanger[White] = st.openLineDanger[Black] = 999;
        st.fileMask = 0xAA;
    }
    static void expect_summary(const PlyState& want) {
        const PlyState& st = PlyStates[0];
        EXPECT_EQ(st.pawnScore, want.pawnScore);
        EXPECT_EQ(st.fileMask, want.fileMask);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(st.passedCount[c], want.passedCount[c]);
            EXPECT_EQ(st.topPasser[c], want.topPasser[c]);
            EXPECT_EQ(st.castleScore[c], want.castleScore[c]);
            EXPECT_EQ(st.openLineDanger[c], want.openLineDanger[c]);
        }
    }
};

TEST_F(PawnTableTest, MissEvaluatesAndStoresHitCopies) {
    ASSERT_TRUE(setup_fen("r3k2r/pp3ppp/8/3P4/8/8/PPP2PPP/R3K2R w KQkq - 0 1"));
    const KeyPair key = pawnKingKey();
    pawnHashProbe(SearchNodes[0]);
    const PlyState evaluated = PlyStates[0];
    EXPECT_EQ(evaluated.fileMask, 0x10); // only the e-file has no pawn
    EXPECT_EQ(evaluated.passedCount[White], 1);
    const HashPawnRec& first = slot_of(key, false);
    EXPECT_EQ(first.check, key.key64);
    EXPECT_EQ(first.pawnScore, evaluated.pawnScore);
    EXPECT_EQ(first.fileMask, 0x10);
    EXPECT_EQ(first.topPasser[White], sq("d5"));

    // A hit copies the record without evaluating again (the per-file table is left alone).
    scramble_summary();
    PawnFileInfo[White][0].pawnClass = 9;
    pawnHashProbe(SearchNodes[0]);
    expect_summary(evaluated);
    EXPECT_EQ(PawnFileInfo[White][0].pawnClass, 9);

    // The record found in the second slot is used as well.
    std::swap(slot_of(key, false), slot_of(key, true));
    scramble_summary();
    pawnHashProbe(SearchNodes[0]);
    expect_summary(evaluated);

    // A miss demotes the first slot's record into the second slot.
    HashPawnRec other = slot_of(key, true);
    other.check = key.key64 ^ 1;
    slot_of(key, false) = other;
    slot_of(key, true) = HashPawnRec{};
    scramble_summary();
    pawnHashProbe(SearchNodes[0]);
    expect_summary(evaluated);
    EXPECT_EQ(slot_of(key, false).check, key.key64);
    EXPECT_EQ(slot_of(key, true).check, key.key64 ^ 1);
}

TEST_F(PawnTableTest, PawnsAndKingsOnlyAlwaysReevaluate) {
    ASSERT_TRUE(setup_fen("4k3/pp6/8/8/8/8/PP5P/4K3 w - - 0 1"));
    ASSERT_EQ(PlyStates[0].phase, 3);
    pawnHashProbe(SearchNodes[0]);
    const PlyState evaluated = PlyStates[0];
    PawnFileInfo[White][7].pawnClass = 0;
    scramble_summary();
    pawnHashProbe(SearchNodes[0]);
    expect_summary(evaluated);
    EXPECT_EQ(PawnFileInfo[White][7].pawnClass, 13); // the per-file table is fresh
}

TEST_F(PawnTableTest, WithoutAPawnTableTheSummaryIsStillMade) {
    ASSERT_TRUE(setup_fen("r3k3/pp6/8/8/8/8/PP5P/R3K3 w - - 0 1"));
    pawnHashProbe(SearchNodes[0]);
    const PlyState evaluated = PlyStates[0];
    freeHashTables();
    scramble_summary();
    pawnHashProbe(SearchNodes[0]);
    expect_summary(evaluated);
}

TEST(HashTableEngineTest, FirstIsreadyAndHashOptionSizeTheTables) {
    EngineProcess engine({"-uci"});
    engine.send("isready\n");
    ASSERT_TRUE(engine.wait_for("info Hash pawn-table size : 6\n", 10000)) << engine.output();
    EXPECT_NE(engine.output().find("info Hash table size : 48\ninfo Hash pawn-table size : 6\n"),
              std::string::npos);
    engine.send("setoption name Hash value 128\n");
    ASSERT_TRUE(engine.wait_for("info Hash table size : 96\n", 10000)) << engine.output();
    engine.send("setoption name Hash value 4096\nisready\n"); // sized as 256
    ASSERT_TRUE(engine.wait_for("info Hash table size : 192\n", 10000)) << engine.output();
    engine.send("setoption name Hash value -3\nucinewgame\nquit\n");
    EXPECT_EQ(engine.wait_exit(10000), 0) << engine.output();
    EXPECT_NE(engine.output().find("info Hash table size : 0\n"), std::string::npos);
}

} // namespace
