#include "board/root_moves.h"

#include "board/perft.h"
#include "board/position.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "fen_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace {

class RootMoves : public ::testing::Test {
  protected:
    void SetUp() override {
        use_book = own_book_option = 1;
        standard_start = 1;
    }
    void TearDown() override {
        use_book = own_book_option = 1;
        standard_start = 1;
    }
    static std::vector<std::string> texts() {
        std::vector<std::string> all;
        for (int i = 0; i < RootMoveCapacity && root_moves[i] != 0; ++i)
            all.push_back(root_move_text[i]);
        return all;
    }
};

const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// One ply of history as the position command writes it.
struct Ply {
    int from, to, kind, promotion;
};

// Sets up fen (the game's current position), then writes the history of the game that led to it
// from the standard start.
void loadGame(const char* fen, const std::vector<Ply>& game) {
    ASSERT_TRUE(setup_fen(fen));
    standard_start = 1;
    use_book = 1;
    GamePly = int16_t(game.size());
    for (int p = 1; p <= GamePly; ++p) {
        ASSERT_TRUE(ensure_game_history(p));
        game_history[p].fromCell = uint8_t(game[p - 1].from);
        game_history[p].toCell = uint8_t(game[p - 1].to);
        game_history[p].specialKind = uint8_t(game[p - 1].kind);
        game_history[p].promotion = uint8_t(game[p - 1].promotion);
    }
}

} // namespace

TEST_F(RootMoves, StartPositionInSlotAndTableOrder) {
    ASSERT_TRUE(setup_fen(StartFen));
    use_book = 1;
    build_root_moves();
    const std::vector<std::string> expected = {"a3",  "a4",  "Nc3", "Na3", "b3", "b4", "c3",
                                               "c4",  "d3",  "d4",  "e3",  "e4", "f3", "f4",
                                               "Nh3", "Nf3", "g3",  "g4",  "h3", "h4"};
    EXPECT_EQ(texts(), expected);
    EXPECT_EQ(root_moves[20], 0u);
    EXPECT_EQ(use_book, 1);
    EXPECT_EQ(game_white_signature, 0);
    EXPECT_EQ(game_black_signature, 0);
}

TEST_F(RootMoves, LegalMoveCountsMatchPerft) {
    // The first perft depth of each reference position: the root list keeps exactly the legal
    // moves (pins, checks, en passant, castling through attacked squares).
    std::ifstream in(std::string(TALVOR_TEST_DATA) + "/perft.epd");
    std::string line;
    int positions = 0;
    while (std::getline(in, line)) {
        const size_t d1 = line.find(";D1 ");
        if (d1 == std::string::npos) continue;
        const std::string fen = line.substr(0, line.find(';'));
        ASSERT_TRUE(setup_fen(fen)) << fen;
        use_book = 0;
        build_root_moves();
        int count = 0;
        while (root_moves[count] != 0) ++count;
        EXPECT_EQ(count, std::stoi(line.substr(d1 + 4))) << fen;
        EXPECT_EQ(root_move_text[0][0], 0) << "no text without the book";
        ++positions;
    }
    EXPECT_GE(positions, 5);
}

TEST_F(RootMoves, BookBoardReplaysTheGameHistory) {
    // 1. e4 d5 2. exd5 c6 3. dxc6 Nf6 4. cxb7 Ne4 5. bxa8=Q with history records as the position
    // command writes them (from, to, kind, promotion letter).
    const std::vector<Ply> game = {{52, 54, 0, 0}, {47, 45, 0, 0}, {54, 45, 0, 0},
                                   {37, 36, 0, 0}, {45, 36, 0, 0}, {78, 66, 0, 0},
                                   {36, 27, 0, 0}, {66, 54, 0, 0}, {27, 18, 3, 'D'}};
    loadGame("Qnbqkb1r/p3pppp/8/8/4n3/8/PPPP1PPP/RNBQKBNR b KQk - 0 5", game);
    build_root_moves();
    EXPECT_EQ(game_book_board[18], 'Q'); // the new white queen on a8
    EXPECT_EQ(game_book_board[54], -'N');
    EXPECT_EQ(game_book_board[27], 0);
    EXPECT_EQ(game_book_board[48], -'Q');
    uint16_t white = 0, black = 0;
    for (int p = 0; p < 9; ++p) {
        const uint16_t s = uint16_t(game[p].to * game[p].to - game[p].from * game[p].from);
        if (p % 2 == 0)
            white = uint16_t(white + s);
        else
            black = uint16_t(black + s);
    }
    EXPECT_EQ(game_white_signature, white);
    EXPECT_EQ(game_black_signature, black);
    // Black's moves read the replayed board: the knight on e4 takes on d2 and f2.
    const std::vector<std::string> all = texts();
    EXPECT_NE(std::find(all.begin(), all.end(), "Nxd2"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "Nxf2"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "Qd7"), all.end());
    GamePly = 0;
}

TEST_F(RootMoves, BookBoardCastlingAndEnPassant) {
    // 1. e4 a6 2. e5 d5 3. exd6 (en passant) a5 4. Nf3 a4 5. Bc4 a3 6. o-o
    loadGame("rnbqkbnr/1pp1pppp/3P4/8/2B5/p4N2/PPPP1PPP/RNBQ1RK1 b kq - 1 6", {{52, 54, 0, 0},
                                                                               {17, 16, 0, 0},
                                                                               {54, 55, 0, 0},
                                                                               {47, 45, 0, 0},
                                                                               {55, 46, 2, 0},
                                                                               {16, 15, 0, 0},
                                                                               {72, 63, 0, 0},
                                                                               {15, 14, 0, 0},
                                                                               {61, 34, 0, 0},
                                                                               {14, 13, 0, 0},
                                                                               {51, 71, 1, 0}});
    build_root_moves();
    EXPECT_EQ(game_book_board[45], 0);   // the pawn taken en passant
    EXPECT_EQ(game_book_board[46], 'P'); // the capturing pawn on d6
    EXPECT_EQ(game_book_board[71], 'K'); // g1
    EXPECT_EQ(game_book_board[61], 'R'); // f1
    EXPECT_EQ(game_book_board[81], 0);   // h1
    EXPECT_EQ(game_book_board[34], 'B'); // c4
    GamePly = 0;
}

TEST_F(RootMoves, BookIsLeftAfterMoveFiftyTwoOrAwayFromTheStandardStart) {
    ASSERT_TRUE(setup_fen(StartFen));
    use_book = 1;
    standard_start = 0;
    build_root_moves();
    EXPECT_EQ(use_book, 0);
    EXPECT_EQ(root_move_text[0][0], 0);
    EXPECT_NE(root_moves[0], 0u);

    ASSERT_TRUE(setup_fen(StartFen));
    use_book = 1;
    standard_start = 1;
    GamePly = 53;
    build_root_moves();
    EXPECT_EQ(use_book, 0);
    EXPECT_EQ(root_move_text[0][0], 0);
    GamePly = 0;
}

TEST_F(RootMoves, TypedMoveLookup) {
    ASSERT_TRUE(setup_fen("r3k3/1P6/8/8/8/8/4P3/4K2R w K - 0 1"));
    use_book = 0;
    build_root_moves();
    MOVE m = 0;
    EXPECT_EQ(findTypedMove("E2E4", 0, &m), TypedMoveFound);
    EXPECT_EQ(move_from(m), 33);
    EXPECT_EQ(move_to(m), 35);
    EXPECT_EQ(findTypedMove("E1G1", 0, &m), TypedMoveFound);
    EXPECT_EQ(move_special(m), int(MoveCastling));
    EXPECT_EQ(findTypedMove("e2e4", 0, &m), TypedMoveMalformed);
    EXPECT_EQ(findTypedMove("E2E9", 0, &m), TypedMoveMalformed);
    EXPECT_EQ(findTypedMove("E8E7", 0, &m), TypedMoveNotOwnPiece);
    EXPECT_EQ(findTypedMove("E4E5", 0, &m), TypedMoveNotOwnPiece);
    EXPECT_EQ(findTypedMove("E2E5", 0, &m), TypedMoveNotLegal);
    EXPECT_EQ(findTypedMove("B7B8", 0, &m), TypedMoveNeedsPiece);
    EXPECT_EQ(findTypedMove("B7A8", 'C', &m), TypedMoveFound);
    EXPECT_EQ(move_special(m), int(MovePromotion));
    EXPECT_EQ(move_promotion_type(m), int(TypeKnight));
    EXPECT_EQ(move_captured(m), int(TypeRook));
    EXPECT_EQ(findTypedMove("B7B8", 'D', &m), TypedMoveFound);
    EXPECT_EQ(move_promotion_type(m), int(TypeQueen));
    EXPECT_EQ(findTypedMove("B7B8", 'X', &m), TypedMoveNotLegal);
}
