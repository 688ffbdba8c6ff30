#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "board/draw_rules.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "fen_fixture.h"
#include "search/hash_table.h"

namespace {

// Full keys need a transposition table; the tests pretend one exists.
class KeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = HashEnabled;
        HashEnabled = true;
    }
    void TearDown() override { HashEnabled = saved_; }

    static KeyPair key_of(const char* fen) {
        EXPECT_TRUE(setup_fen(fen)) << fen;
        return fullKey(0);
    }

  private:
    bool saved_ = false;
};

} // namespace

TEST_F(KeysTest, TablesAreFixedAndDistinct) {
    init_board_rules_once();
    KeyPair first = PieceSquareKeys[0], last = PhaseQueenKeys[15];
    initKeys();
    EXPECT_EQ(PieceSquareKeys[0], first);
    EXPECT_EQ(PhaseQueenKeys[15], last);
    std::set<std::pair<uint64_t, uint64_t>> seen;
    for (const KeyPair& k : PieceSquareKeys) {
        EXPECT_LT(k.key32, uint64_t(1) << 32);
        seen.insert({k.key32, k.key64});
    }
    EXPECT_EQ(seen.size(), size_t(KindCount * 64));
    EXPECT_NE(CastleSideKeys[0].key64, CastleSideKeys[1].key64);
}

TEST_F(KeysTest, SideCastlingAndEnPassantChangeTheKey) {
    KeyPair base = key_of("r3k2r/8/8/8/3pP3/8/8/R3K2R b KQkq - 0 1");
    EXPECT_NE(key_of("r3k2r/8/8/8/3pP3/8/8/R3K2R w KQkq - 0 1"), base);
    EXPECT_NE(key_of("r3k2r/8/8/8/3pP3/8/8/R3K2R b Kkq - 0 1"), base);
    EXPECT_NE(key_of("r3k2r/8/8/8/3pP3/8/8/R3K2R b KQkq e3 0 1"), base);
    // A target that no pawn can capture on leaves the key alone.
    KeyPair lone = key_of("r3k2r/8/8/8/4P3/8/8/R3K2R b KQkq - 0 1");
    EXPECT_EQ(key_of("r3k2r/8/8/8/4P3/8/8/R3K2R b KQkq e3 0 1"), lone);
    // Without a table (Hash 0) positions still have their own keys, so that the repetition
    // test does not take every position for the same one.
    HashEnabled = false;
    EXPECT_EQ(key_of("r3k2r/8/8/8/4P3/8/8/R3K2R b KQkq - 0 1"), lone);
    EXPECT_NE(key_of("r3k2r/8/8/8/3pP3/8/8/R3K2R b KQkq e3 0 1"), lone);
}

TEST_F(KeysTest, IncrementalKeysMatchAFreshSetUp) {
    // After 1. e4 (no black pawn beside e4) the made position and the set-up one agree.
    ASSERT_TRUE(setup_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    ASSERT_NE(play_game_move("e2", "e4"), 0u);
    ASSERT_NE(play_game_move("g8", "f6"), 0u);
    ASSERT_NE(play_game_move("e1", "e2"), 0u);
    KeyPair made = fullKey(0);
    KeyPair pawnMade = pawnKingKey();
    SearchPly = 1; // the incrementally kept piece part, as the search reads it
    KeyPair reused = nodeKey(SearchNodes[0], false);
    SearchPly = 0;
    EXPECT_EQ(reused, made);
    EXPECT_EQ(key_of("rnbqkb1r/pppppppp/5n2/8/4P3/8/PPPPKPPP/RNBQ1BNR b kq - 2 2"), made);
    EXPECT_EQ(pawnKingKey(), pawnMade);
    // The pawn key ignores the knight but sees the king.
    KeyPair other = key_of("rnbqkbnr/pppppppp/8/8/4P3/8/PPPPKPPP/RNBQ1BNR b kq - 2 2");
    EXPECT_EQ(pawnKingKey(), pawnMade);
    EXPECT_NE(other, made);
}

TEST_F(KeysTest, PredictedChildKeyMatchesTheMadePosition) {
    // Quiet moves, captures, promotions (with and without capture), en passant and the null
    // move: the key32 worked out before the move equals the made position's.
    struct Case {
        const char* fen;
        const char* from;
        const char* to;
        int promotion;
    };
    const Case cases[] = {
        {"4k3/8/3p4/8/4N3/8/8/4K3 w - - 0 1", "e4", "d6", TypeQueen},
        {"4k3/8/3p4/8/4N3/8/8/4K3 w - - 0 1", "e4", "f6", TypeQueen},
        {"4k3/8/8/3p4/4N3/8/8/4K3 b - - 0 1", "d5", "e4", TypeQueen},
        {"1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7", "b8", TypeQueen},
        {"1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7", "a8", TypeKnight},
        {"4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1", "d4", "e3", TypeQueen},
        {"4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1", "d4", "d3", TypeQueen},
        {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1", "b1", "c3", TypeQueen},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", nullptr, nullptr, TypeQueen},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        SearchNode& node = SearchNodes[0];
        const MOVE m = c.from ? find_move(node, c.from, c.to, c.promotion) : NULL_MOVE;
        ASSERT_NE(m, 0u) << c.fen << " " << (c.from ? c.from : "null");
        const uint32_t predicted = predictChildKey32(node, m);
        SearchNode& child = playIntoChild(node, m);
        EXPECT_EQ(predicted, uint32_t(nodeKey(child, false).key32))
            << c.fen << " " << (c.from ? c.from : "null");
        takeBackFromChild(node, m);
    }
}

TEST_F(KeysTest, RepetitionOfGamePositions) {
    ASSERT_TRUE(setup_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    const char* cycle[4][2] = {{"g1", "f3"}, {"g8", "f6"}, {"f3", "g1"}, {"f6", "g8"}};
    auto status_after = [&](const char* from, const char* to) {
        MOVE m = play_game_move(from, to);
        EXPECT_NE(m, 0u);
        return repetitionStatus(m, fullKey(0), PlyStates[0].lastIrreversible);
    };
    for (int i = 0; i < 3; ++i) EXPECT_EQ(status_after(cycle[i][0], cycle[i][1]), NoRepetition);
    // Back at the start: one earlier occurrence.
    EXPECT_EQ(status_after(cycle[3][0], cycle[3][1]), EarlierGamePosition);
    EXPECT_EQ(GamePly - LastIrreversiblePly, 4);
    for (int i = 0; i < 3; ++i) status_after(cycle[i][0], cycle[i][1]);
    // The third occurrence is a draw.
    EXPECT_EQ(status_after(cycle[3][0], cycle[3][1]), RepetitionDraw);
    // A pawn move is never a repetition and restarts the history.
    EXPECT_EQ(status_after("e2", "e4"), NoRepetition);
    EXPECT_EQ(LastIrreversiblePly, GamePly);
}

TEST_F(KeysTest, RepetitionInsideTheSearchLine) {
    ASSERT_TRUE(setup_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"));
    // Positions of the search line stored below the game position; the fourth half-move
    // returns to the root position, which counts at once three plies down.
    KeyPair root = fullKey(0);
    storeKeyHistory(0, root);
    KeyPair other = {1, 2};
    storeKeyHistory(1, other);
    storeKeyHistory(2, other);
    storeKeyHistory(3, other);
    storeKeyHistory(4, root);
    MOVE rookMove = MOVE(8) | MOVE(0) << MoveFromShift | MOVE(TypeRook) << MoveMoverShift;
    SearchPly = 4;
    EXPECT_EQ(repetitionStatus(rookMove, root, 0), RepetitionDraw);
    EXPECT_EQ(repetitionStatus(rookMove, root, 2), NoRepetition); // irreversible at ply 2
    MOVE pawnMove = MOVE(9) | MOVE(8) << MoveFromShift | MOVE(TypePawn) << MoveMoverShift;
    EXPECT_EQ(repetitionStatus(pawnMove, root, 0), NoRepetition);
    SearchPly = 0;
}

TEST(DrawRules, FiftyMoveCount) {
    init_board_rules_once();
    GamePly = 120;
    LastIrreversiblePly = 21;
    EXPECT_FALSE(fiftyMoveDraw());
    LastIrreversiblePly = 20;
    EXPECT_TRUE(fiftyMoveDraw());
    GamePly = LastIrreversiblePly = 0;
}
