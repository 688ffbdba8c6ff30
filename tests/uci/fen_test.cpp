#include "uci/fen.h"

#include <gtest/gtest.h>

#include <cstring>

#include "board/position.h"
#include "core/settings.h"

namespace {

int cell(char file, int rank) {
    return 10 * (file - 'a' + 1) + rank;
}

class FenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::memset(SetupBoard, 0, sizeof(SetupBoard));
        SetupCastlingRights[White] = SetupCastlingRights[Black] = 3;
        SetupEnPassant = 0;
        white_to_move_at_start = 1;
        SideToMove = White;
    }
};

TEST_F(FenTest, PlacementFillsTheMailboxFromA8ToH1) {
    fen_write_board("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR");
    EXPECT_EQ(SetupBoard[cell('a', 8)], -'T');
    EXPECT_EQ(SetupBoard[cell('b', 8)], -'C');
    EXPECT_EQ(SetupBoard[cell('c', 8)], -'F');
    EXPECT_EQ(SetupBoard[cell('d', 8)], -'D');
    EXPECT_EQ(SetupBoard[cell('e', 8)], -'R');
    EXPECT_EQ(SetupBoard[cell('e', 4)], 'P');
    EXPECT_EQ(SetupBoard[cell('e', 2)], 0);
    EXPECT_EQ(SetupBoard[cell('d', 1)], 'D');
    EXPECT_EQ(SetupBoard[cell('e', 1)], 'R');
    EXPECT_EQ(SetupBoard[cell('h', 1)], 'T');
    EXPECT_EQ(SetupBoard[cell('g', 1)], 'C');
    EXPECT_EQ(SetupBoard[cell('f', 1)], 'F');
    int pieces = 0;
    for (int8_t v : SetupBoard) pieces += v != 0;
    EXPECT_EQ(pieces, 32);
}

TEST_F(FenTest, DigitsEmptySquaresAndShortTextKeepsTheRest) {
    SetupBoard[cell('a', 8)] = 'D';
    SetupBoard[cell('h', 1)] = 'T';
    fen_write_board("3k");
    EXPECT_EQ(SetupBoard[cell('a', 8)], 0);
    EXPECT_EQ(SetupBoard[cell('d', 8)], -'R');
    EXPECT_EQ(SetupBoard[cell('h', 1)], 'T'); // not reached by the text
}

TEST_F(FenTest, PlacementNeverWritesPastTheLastSquare) {
    int8_t guard[89];
    std::memcpy(guard, SetupBoard, sizeof(guard));
    fen_write_board("8/8/8/8/8/8/8/8/KKKKKKKK/88888888");
    EXPECT_EQ(std::memcmp(guard, SetupBoard, sizeof(guard)), 0);
}

TEST_F(FenTest, SideCastlingAndEnPassantFields) {
    fen_write_side("b");
    EXPECT_EQ(white_to_move_at_start, 0);
    EXPECT_EQ(SideToMove, Black);
    fen_write_side("w");
    EXPECT_EQ(SideToMove, White);

    fen_write_castling("Kq");
    EXPECT_EQ(SetupCastlingRights[White], CastleKingSide);
    EXPECT_EQ(SetupCastlingRights[Black], CastleQueenSide);
    fen_write_castling("-");
    EXPECT_EQ(SetupCastlingRights[White], 0);
    EXPECT_EQ(SetupCastlingRights[Black], 0);

    const struct {
        const char* word;
        int code;
    } cases[] = {{"e3", 42}, {"a6", 13}, {"h3", 66}, {"-", 0}, {"e9", 0}, {"x", 0}, {"", 0}};
    for (const auto& c : cases) {
        SetupEnPassant = 77;
        fen_write_en_passant(c.word);
        EXPECT_EQ(SetupEnPassant, c.code) << c.word;
    }
}

TEST_F(FenTest, WholeFenString) {
    ASSERT_TRUE(load_fen_fields("4k3/8/8/3pP3/8/8/8/4K2R w K d6 0 1"));
    EXPECT_EQ(SetupBoard[cell('e', 8)], -'R');
    EXPECT_EQ(SetupBoard[cell('d', 5)], -'P');
    EXPECT_EQ(SetupBoard[cell('e', 5)], 'P');
    EXPECT_EQ(SetupBoard[cell('h', 1)], 'T');
    EXPECT_EQ(SideToMove, White);
    EXPECT_EQ(SetupCastlingRights[White], CastleKingSide);
    EXPECT_EQ(SetupCastlingRights[Black], 0);
    EXPECT_EQ(SetupEnPassant, 8 * 4 + 5);

    ASSERT_TRUE(load_fen_fields("  8/8/8/8/8/8/8/k6K   b"));
    EXPECT_EQ(SideToMove, Black);
    EXPECT_EQ(SetupCastlingRights[White], 0);
    EXPECT_EQ(SetupEnPassant, 0);
    EXPECT_EQ(SetupBoard[cell('e', 8)], 0); // emptied before the new placement

    EXPECT_FALSE(load_fen_fields("   "));
}

} // namespace
