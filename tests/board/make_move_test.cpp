#include <cstring>

#include <gtest/gtest.h>

#include "board/consistency.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "fen_fixture.h"

namespace {

// The search's protocol for one move from node 0.
SearchNode& make_on_child(MOVE m) {
    SearchNode& child = playIntoChild(SearchNodes[0], m);
    SearchPly = 1;
    updateMoves(child, m);
    return child;
}

void unmake_child(MOVE m) {
    SearchPly = 0;
    takeBackFromChild(SearchNodes[0], m);
}

} // namespace

TEST(MakeMove, CastlingMovesKingAndRookOnce) {
    ASSERT_TRUE(setup_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"));
    MOVE m = find_move(SearchNodes[0], "e1", "g1");
    ASSERT_TRUE(m & MoveCastling);
    SearchNode& child = make_on_child(m);
    EXPECT_EQ(Board[SqG1].letter, LetterKing);
    EXPECT_EQ(Board[SqF1].letter, LetterRook);
    EXPECT_EQ(Board[SqH1].letter, 0);
    EXPECT_EQ(Board[SqE1].letter, 0);
    EXPECT_EQ(SideToMove, Black);
    EXPECT_EQ(PlyStates[1].castlingRights[White], CastledKingSide);
    EXPECT_EQ(PlyStates[1].castlingRights[Black], 3);
    EXPECT_EQ(PlyStates[1].kingSquare[White], SqG1);
    EXPECT_EQ(PlyStates[1].kingWing[White], 4);
    EXPECT_EQ(positionInconsistency(child), nullptr);
    unmake_child(m);
    EXPECT_EQ(SideToMove, White);
    EXPECT_EQ(Board[SqH1].letter, LetterRook);
    EXPECT_EQ(positionInconsistency(SearchNodes[0]), nullptr);
}

TEST(MakeMove, CastlingRightsFollowKingAndRookSquares) {
    struct {
        const char *fen, *from, *to;
        uint8_t white, black;
    } cases[] = {
        // A rook captured on h8 takes black's king-side right with it.
        {"r3k2r/8/8/8/8/8/8/4K2R w Kkq - 0 1", "h1", "h8", 0, CastleQueenSide},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1", "a2", CastleKingSide, 3},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1", "f1", 0, 3},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8", "c8", 3, CastledQueenSide},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "a8", "a1", CastleKingSide, CastleKingSide},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        MOVE m = find_move(SearchNodes[0], c.from, c.to);
        ASSERT_NE(m, 0u) << c.fen;
        SearchNode& child = make_on_child(m);
        EXPECT_EQ(PlyStates[1].castlingRights[White], c.white) << c.fen << c.from << c.to;
        EXPECT_EQ(PlyStates[1].castlingRights[Black], c.black) << c.fen << c.from << c.to;
        EXPECT_EQ(positionInconsistency(child), nullptr);
        unmake_child(m);
    }
}

TEST(MakeMove, EnPassantSquareOnlyWithAPawnBeside) {
    struct {
        const char *fen, *from, *to;
        int expected;
    } cases[] = {
        {"4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1", "e2", "e4", 34},
        {"4k3/8/8/8/5p2/8/4P3/4K3 w - - 0 1", "e2", "e4", 34},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2", "e4", 0},
        {"4k3/8/8/8/3P4/8/4P3/4K3 w - - 0 1", "e2", "e4", 0}, // own pawn beside
        {"4k3/8/8/8/1p6/8/P7/4K3 w - - 0 1", "a2", "a4", 2},
        {"4k3/8/8/8/7p/8/P7/4K3 w - - 0 1", "a2", "a4", 0}, // h4 is no neighbour of a4
        {"4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1", "d7", "d5", 29},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        MOVE m = find_move(SearchNodes[0], c.from, c.to);
        ASSERT_NE(m, 0u) << c.fen;
        SearchNode& child = make_on_child(m);
        EXPECT_EQ(child.EnPassantSquare, c.expected) << c.fen;
        unmake_child(m);
    }
}

TEST(MakeMove, PromotionWithCaptureUpdatesCountsMaterialAndKeys) {
    ASSERT_TRUE(setup_fen("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1"));
    MOVE m = find_move(SearchNodes[0], "a7", "b8", TypeQueen);
    ASSERT_EQ(move_captured(m), TypeRook);
    PlyState before = PlyStates[0];
    SearchNode& child = make_on_child(m);
    const PlyState& after = PlyStates[1];
    EXPECT_EQ(after.pawnCount[White], 0);
    EXPECT_EQ(after.queenCount[White], 1);
    EXPECT_EQ(after.rookCount[Black], 0);
    EXPECT_EQ(after.nonPawnMaterial[White], before.nonPawnMaterial[White] + 950);
    EXPECT_EQ(after.nonPawnMaterial[Black], before.nonPawnMaterial[Black] - 500);
    EXPECT_EQ(after.material, before.material - 100 + 950 + 500);
    EXPECT_EQ(after.pawns[White], 0u);
    EXPECT_EQ(after.queenSquare[White], sq("b8"));
    EXPECT_NE(after.pawnKey64, before.pawnKey64);
    EXPECT_EQ(positionInconsistency(child), nullptr); // keys and pawn keys recounted
    unmake_child(m);
    EXPECT_EQ(Board[sq("a7")].letter, LetterPawn);
    EXPECT_EQ(Board[sq("b8")].letter, LetterRook);
    EXPECT_EQ(positionInconsistency(SearchNodes[0]), nullptr);
}

TEST(MakeMove, CaptureOfTheLastQueen) {
    ASSERT_TRUE(setup_fen("4k3/8/8/8/8/8/3q4/3QK3 w - - 0 1"));
    EXPECT_EQ(PlyStates[0].queenSquare[Black], sq("d2"));
    MOVE m = find_move(SearchNodes[0], "d1", "d2");
    SearchNode& child = make_on_child(m);
    EXPECT_EQ(PlyStates[1].queenLost[Black], 1);
    EXPECT_EQ(PlyStates[1].queenSquare[Black], 255);
    EXPECT_EQ(PlyStates[1].queenLost[White], 0);
    EXPECT_EQ(positionInconsistency(child), nullptr);
    unmake_child(m);
}

TEST(MakeMove, NullMoveOnlyPassesTheTurn) {
    ASSERT_TRUE(setup_fen("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1"));
    MOVE m = find_move(SearchNodes[0], "e2", "e4");
    make_on_child(m);
    ASSERT_EQ(SearchNodes[1].EnPassantSquare, 34);
    unmake_child(m);
    SearchNode& child = make_on_child(NULL_MOVE);
    EXPECT_EQ(SideToMove, Black);
    EXPECT_EQ(child.EnPassantSquare, 0); // no stale square from the previous move
    EXPECT_EQ(child.checkState, 0);
    unmake_child(NULL_MOVE);
    EXPECT_EQ(SideToMove, White);
}
