#include "eval/eval_tables.h"

#include <gtest/gtest.h>

#include <array>

#include "board/position.h"

namespace {

constexpr int sq(char file, int rank) {
    return make_square(file - 'a', rank - 1);
}
constexpr int WhiteKnight = piece_kind(TypeKnight, White);
constexpr int BlackKnight = piece_kind(TypeKnight, Black);
constexpr int WhitePawn = piece_kind(TypePawn, White);
constexpr int BlackPawn = piece_kind(TypePawn, Black);
constexpr int WhiteRook = piece_kind(TypeRook, White);
constexpr int BlackRook = piece_kind(TypeRook, Black);
constexpr int WhiteKing = piece_kind(TypeKing, White);
constexpr int BlackKing = piece_kind(TypeKing, Black);

class EvalTablesTest : public ::testing::Test {
  protected:
    void SetUp() override { rebuild(0, 3, 3); }
    void TearDown() override {
        PlyStates[0] = PlyState{};
        init_evaluation_tables();
    }

    // Rebuilds the middle-game set for the given root phase and king wings, then the board.
    static void rebuild(uint8_t phase, uint8_t whiteWing, uint8_t blackWing) {
        PlyStates[0] = PlyState{};
        PlyStates[0].phase = phase;
        PlyStates[0].kingWing[White] = whiteWing;
        PlyStates[0].kingWing[Black] = blackWing;
        init_evaluation_tables();
        fill_piece_square_values();
    }
    static void expect_file(int kind, char file, const std::array<int, 8>& ranks) {
        for (int rank = 1; rank <= 8; ++rank)
            EXPECT_EQ(Board[sq(file, rank)].pieceSquare[kind], ranks[rank - 1])
                << "kind " << kind << " on " << file << rank;
    }
};

TEST_F(EvalTablesTest, PhaseFactorRisesFromFiftyToAHundred) {
    const int expected[][2] = {{0, 50}, {1, 51}, {2, 52},  {3, 53},
                               {4, 55}, {7, 58}, {39, 98}, {40, 100}};
    for (const auto& e : expected) EXPECT_EQ(PhaseFactor[e[0]], e[1]) << e[0];
}

TEST_F(EvalTablesTest, KnightValuesForBothColours) {
    EXPECT_EQ(Board[sq('b', 1)].pieceSquare[WhiteKnight], -70);
    EXPECT_EQ(Board[sq('g', 1)].pieceSquare[WhiteKnight], -20);
    EXPECT_EQ(Board[sq('c', 3)].pieceSquare[WhiteKnight], 40);
    EXPECT_EQ(Board[sq('f', 3)].pieceSquare[WhiteKnight], 40);
    // Black mirrored by rank and negated.
    EXPECT_EQ(Board[sq('b', 8)].pieceSquare[BlackKnight], 70);
    EXPECT_EQ(Board[sq('f', 6)].pieceSquare[BlackKnight], -40);
    EXPECT_EQ(Board[sq('h', 8)].pieceSquare[BlackKnight], 100);
}

TEST_F(EvalTablesTest, PawnTablesFollowTheKingWings) {
    // Both kings at home with both rights: quiet wings.
    expect_file(WhitePawn, 'g', {0, 1, 0, 10, 20, 40, 60, 120});
    expect_file(WhitePawn, 'a', {0, 1, 2, 3, 4, 35, 100, 120});
    expect_file(WhitePawn, 'e', {0, -30, 20, 50, 52, 55, 100, 120});

    // White castled short (king on g1), black king on e8.
    rebuild(0, 4, 3);
    EXPECT_EQ(Board[sq('g', 3)].pieceSquare[WhitePawn], -10);
    EXPECT_EQ(Board[sq('g', 4)].pieceSquare[WhitePawn], -50);
    expect_file(WhitePawn, 'f', {0, 1, 1, 2, 50, 80, 100, 120});
    expect_file(BlackPawn, 'g', {-120, -60, -40, -20, -10, 0, -1, 0});

    // Only the king-side right left counts as a king-side king.
    rebuild(0, 1, 3);
    EXPECT_EQ(Board[sq('h', 4)].pieceSquare[WhitePawn], -50);

    // Black king on the queen side: black shelters a-c, white storms them.
    rebuild(0, 4, 8);
    expect_file(BlackPawn, 'b', {-120, -100, -30, 40, 50, 10, -1, 0});
    expect_file(BlackPawn, 'c', {-120, -100, -30, 40, 50, 0, -1, 0});
    expect_file(WhitePawn, 'a', {0, 0, 10, 50, 70, 90, 100, 120});
    expect_file(WhitePawn, 'c', {0, 0, 10, 30, 40, 50, 100, 120});
    // A colour sheltering its own queen side does not storm the enemy's.
    rebuild(0, 8, 8);
    expect_file(WhitePawn, 'a', {0, 1, -10, -50, -40, 30, 100, 120});
    expect_file(WhitePawn, 'h', {0, 1, 0, 10, 20, 40, 60, 120});
}

TEST_F(EvalTablesTest, OnlyKnightsAndPawnsKeepValuesAfterTheMiddleGame) {
    EXPECT_EQ(Board[sq('d', 7)].pieceSquare[WhiteRook], 120);
    EXPECT_EQ(Board[sq('d', 2)].pieceSquare[BlackRook], -120);
    rebuild(1, 3, 3);
    EXPECT_EQ(Board[sq('d', 7)].pieceSquare[WhiteRook], 0);
    EXPECT_EQ(Board[sq('d', 2)].pieceSquare[BlackRook], 0);
    EXPECT_EQ(Board[sq('e', 1)].pieceSquare[WhiteKing], 0);
    EXPECT_EQ(Board[sq('e', 5)].pieceSquare[WhiteKnight], 70);
    EXPECT_EQ(Board[sq('e', 4)].pieceSquare[BlackKnight], -70);
    EXPECT_EQ(Board[sq('e', 4)].pieceSquare[WhitePawn], 50);
}

TEST_F(EvalTablesTest, EndgameSetReplacesKingAndPawnTablesOnly) {
    install_endgame_tables();
    fill_piece_square_values(); // still phase 0, as late in a long middle game
    expect_file(WhiteKing, 'e', {5, 25, 35, 45, 55, 65, 75, 65});
    expect_file(BlackKing, 'a', {-40, -60, -50, -40, -30, -20, -10, 0});
    expect_file(WhitePawn, 'g', {0, 1, 20, 40, 60, 80, 100, 120});
    expect_file(BlackPawn, 'd', {-120, -100, -80, -60, -40, -20, -1, 0});
    EXPECT_EQ(Board[sq('b', 1)].pieceSquare[WhiteKnight], -70);
    EXPECT_EQ(Board[sq('a', 7)].pieceSquare[WhiteRook], 120);
}

} // namespace
