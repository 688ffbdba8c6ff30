#include "shell/game_moves.h"

#include <gtest/gtest.h>

#include "board/consistency.h"
#include "board/perft.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "board/types.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"
#include "uci/position_command.h"

namespace {

class GameMoves : public ::testing::Test {
  protected:
    void SetUp() override {
        init_engine_tables_once();
        reset_dispatcher_state();
        dispatch_line("isready");
    }
};

} // namespace

TEST_F(GameMoves, CompactionKeepsThePositionAndItsMoves) {
    // Captures on both sides leave holes in the piece lists.
    ASSERT_EQ(dispatch_line("position startpos moves e2e4 d7d5 e4d5 d8d5 b1c3 d5a5 d2d4 c7c6 "
                            "g1f3 c8g4 f1e2 b8d7 c1d2 g4f3 e2f3 a5b6 d4d5 b6b2"),
              "");
    const uint64_t before = perft(SearchNodes[0], 3);
    int holes = 0;
    for (int slot = 0; slot < 32; ++slot) holes += PieceList[slot].letter == 0;
    ASSERT_GT(holes, 0);

    compact_piece_lists();
    EXPECT_EQ(positionInconsistency(SearchNodes[0]), nullptr);
    EXPECT_EQ(perft(SearchNodes[0], 3), before);
    for (int colour = 0; colour < 2; ++colour) {
        const int first = 16 * (1 - colour);
        for (int slot = first; slot <= LastPieceIndex[colour]; ++slot)
            EXPECT_NE(PieceList[slot].letter, 0) << slot; // no hole before the last live piece
        EXPECT_EQ(PieceList[KingIndex[colour]].letter, LetterKing);
        for (int slot = first; slot <= LastPieceIndex[colour]; ++slot)
            EXPECT_EQ(Board[PieceList[slot].square].slot, slot);
    }
    // Every slot, the emptied ones too, keeps its own record of the game position.
    for (int slot = 0; slot < 32; ++slot)
        EXPECT_EQ(PieceList[slot].moves, &moveRecord(slot, 0)) << slot;
    // The game goes on from the compacted lists: castling, captures and all.
    EXPECT_NE(find_uci_move("e1g1"), 0u);
    ASSERT_TRUE(play_game_move(find_uci_move("e1g1")));
    EXPECT_EQ(positionInconsistency(SearchNodes[0]), nullptr);
}

TEST_F(GameMoves, RepetitionAndFiftyMoveDraws) {
    // The start position with white to move seen a second time, then a third.
    ASSERT_EQ(dispatch_line("position startpos moves g1f3 g8f6 f3g1 f6g8"), "");
    EXPECT_EQ(game_draw_status(LastGameMove), 0);
    ASSERT_EQ(dispatch_line("position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8"), "");
    EXPECT_EQ(game_draw_status(LastGameMove), 6);
    // A hundred half-moves without capture or pawn move.
    ASSERT_EQ(dispatch_line("position startpos moves g1f3"), "");
    LastIrreversiblePly = int16_t(GamePly - 100);
    for (int i = 0; i <= 100; ++i) KeyHistory[i] = KeyPair{uint64_t(i), uint64_t(i)};
    EXPECT_EQ(game_draw_status(LastGameMove), 7);
}

TEST_F(GameMoves, DrawsForLackOfMatingMaterial) {
    const struct {
        const char* position;
        int status;
    } cases[] = {
        {"fen 7k/8/8/1b6/8/2N5/8/K7 w - - 0 1 moves c3b5", 8}, // K+N against K
        {"fen 7k/8/8/1n6/8/2B5/8/K7 w - - 0 1 moves c3b4", 0}, // K+B against K+N
        {"fen 7k/8/8/1n6/8/8/2B5/K7 w - - 0 1 moves c2b1", 0},
        {"fen 7k/8/8/1n6/8/2B5/8/K7 b - - 0 1 moves b5c3", 8},  // K+N against K
        {"fen 7k/8/8/8/8/2B5/1q6/K7 w - - 0 1 moves a1b2", 8},  // K+B against K
        {"fen 7k/7b/8/8/8/8/1q6/KB6 w - - 0 1 moves a1b2", 8},  // bishops on light squares
        {"fen 5b1k/8/8/8/8/8/1q6/KB6 w - - 0 1 moves a1b2", 0}, // on squares of both colours
        {"fen 7k/8/8/8/8/8/1q6/K7 w - - 0 1 moves a1b2", 8},    // king against king
        {"fen 7k/8/8/8/8/8/1r6/K6R w - - 0 1 moves a1b2", 0},   // a rook can mate
        {"fen 7k/7p/8/8/8/8/1q6/K7 w - - 0 1 moves a1b2", 0},   // so may a pawn
        {"fen 7k/8/8/8/8/8/1q6/KNN5 w - - 0 1 moves a1b2", 0},  // two knights: not listed
    };
    for (const auto& c : cases) {
        ASSERT_EQ(dispatch_line(std::string("position ") + c.position), "") << c.position;
        EXPECT_EQ(game_draw_status(LastGameMove), c.status) << c.position;
    }
}
