#include <gtest/gtest.h>

#include "board/legality.h"
#include "board/perft.h"
#include "fen_fixture.h"

namespace {

// isLegal of the generated move from -> to at the game position.
int legality(const char* from, const char* to, int promotion = TypeQueen) {
    SearchNode& root = SearchNodes[0];
    MOVE m = find_move(root, from, to, promotion);
    EXPECT_NE(m, 0u) << from << to;
    return isLegal(root, Board[sq(from)].slot, m, KingIndex[root.side], LastGameMove);
}

} // namespace

TEST(Legality, EdgeCasesOfCheckPinAndEnPassant) {
    struct {
        const char *fen, *from, *to;
        int expected;
    } cases[] = {
        // The en-passant capture would open the rank between king and rook.
        {"4k3/8/8/K2Pp2r/8/8/8/8 w - e6 0 1", "d5", "e6", Illegal},
        {"4k3/8/8/K2Pp3/8/8/8/8 w - e6 0 1", "d5", "e6", Legal},
        // ... or the diagonal that the captured pawn blocked.
        {"8/5bk1/8/2Pp4/8/1K6/8/8 w - d6 0 1", "c5", "d6", Illegal},
        // Without a double step just before, the listed capture is refused.
        {"4k3/8/8/3Pp3/8/8/8/4K3 w - - 0 1", "d5", "e6", Illegal},
        // Capturing the checking pawn en passant is legal though d3 is not in the evasion mask.
        {"8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1", "e4", "d3", Legal},
        // King in check from a rook on its file: not straight away from it, sideways is fine.
        {"4r1k1/8/8/8/8/8/4K3/8 w - - 0 1", "e2", "e1", Illegal},
        {"4r1k1/8/8/8/8/8/4K3/8 w - - 0 1", "e2", "d1", Legal},
        {"4r1k1/8/8/8/8/8/4K3/8 w - - 0 1", "e2", "e3", Illegal},
        // Castling: through an attacked square, out of check, onto an attacked square, through
        // a piece; the other side stays legal.
        {"4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1", "e1", "g1", Illegal},
        {"4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1", "e1", "c1", Legal},
        {"4k3/4r3/8/8/8/8/8/R3K2R w KQ - 0 1", "e1", "g1", Illegal},
        {"4k3/4r3/8/8/8/8/8/R3K2R w KQ - 0 1", "e1", "c1", Illegal},
        {"4k3/8/8/8/8/8/6r1/R3K2R w KQ - 0 1", "e1", "g1", Illegal},
        {"4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", "e1", "c1", Illegal},
        {"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "e8", "c8", Legal},
        // A pinned piece may move along its pin line only.
        {"4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1", "e2", "e5", Legal},
        {"4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1", "e2", "d2", IllegalPinned},
        {"4k3/8/8/7b/8/8/4P3/3K4 w - - 0 1", "e2", "e3", IllegalPinned},
        // Double check: only the king may move.
        {"4r1k1/8/8/8/1b6/8/8/1R2K3 w - - 0 1", "b1", "b4", Illegal},
        {"4r1k1/8/8/8/1b6/8/8/1R2K3 w - - 0 1", "e1", "f2", Legal},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        EXPECT_EQ(legality(c.from, c.to), c.expected) << c.fen << " " << c.from << c.to;
    }
}

TEST(Legality, PinnedKnightIsRefusedAndRemembered) {
    ASSERT_TRUE(setup_fen("4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1"));
    SearchNode& root = SearchNodes[0];
    int slot = Board[sq("e2")].slot;
    EXPECT_TRUE(root.testMask & (1u << slot));
    const PieceMoveRecord& r = *PieceList[slot].moves;
    ASSERT_GT(r.quietCount, 0);
    for (const MOVE* p = r.quiet; *p; ++p)
        EXPECT_EQ(isLegal(root, slot, *p, KingIndex[White], 0), IllegalPinned);
    EXPECT_TRUE(root.pinnedCache & (1u << slot));
}

TEST(Legality, DoubleCheckTestsEverySlot) {
    ASSERT_TRUE(setup_fen("4r1k1/8/8/8/1b6/8/8/1R2K3 w - - 0 1"));
    EXPECT_EQ(SearchNodes[0].checkState, 2);
    EXPECT_EQ(SearchNodes[0].testMask, 0xFFFFFFFFu);
    EXPECT_EQ(perft(SearchNodes[0], 1), 3u); // d1, f1, f2
}

TEST(Legality, CheckStateAndEvasionMask) {
    ASSERT_TRUE(setup_fen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1"));
    const SearchNode& root = SearchNodes[0];
    EXPECT_EQ(root.checkState, LetterRook);
    Bitboard between = 0;
    for (const char* s : {"a1", "b1", "c1", "d1"}) between |= square_bit(sq(s));
    EXPECT_EQ(root.evasionMask, between);
    ASSERT_TRUE(setup_fen("4k3/8/8/8/8/3n4/8/4K3 w - - 0 1"));
    EXPECT_EQ(root.checkState, LetterKnight);
    EXPECT_EQ(root.evasionMask, square_bit(sq("d3")));
}

TEST(Legality, GivesCheckBeforeTheMove) {
    struct {
        const char *fen, *from, *to;
        int promotion, expected;
    } cases[] = {
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1", "a8", 0, 1},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1", "a2", 0, -1},
        {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", "b1", "c3", 0, -1},
        {"4k3/8/8/8/8/2N5/8/4K3 w - - 0 1", "c3", "d5", 0, -1},
        {"4k3/8/8/5N2/8/8/8/4K3 w - - 0 1", "f5", "d6", 0, 1},
        {"4k3/8/8/5N2/8/8/8/4K3 w - - 0 1", "f5", "h6", 0, -1},
        {"4k3/8/3P4/8/8/8/8/4K3 w - - 0 1", "d6", "d7", 0, 1},
        {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1", "g1", 0, -1},
        {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1", "g1", 0, 1},
        // The king steps off the line between its rook and the enemy king.
        {"4k3/8/8/8/8/8/4K3/4R3 w - - 0 1", "e2", "d3", 0, 1},
        {"4k3/8/8/8/8/8/4K3/4R3 w - - 0 1", "e2", "e3", 0, -1},
        // A promoted piece checks through the square the pawn left.
        {"8/4P3/4k3/8/8/8/8/K7 w - - 0 1", "e7", "e8", TypeQueen, 1},
        {"8/4P3/4k3/8/8/8/8/K7 w - - 0 1", "e7", "e8", TypeKnight, -1},
        {"8/1P2k3/8/8/8/8/8/K7 w - - 0 1", "b7", "b8", TypeRook, -1},
        {"8/1P6/8/8/8/1k6/8/K7 w - - 0 1", "b7", "b8", TypeRook, 1},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        SearchNode& root = SearchNodes[0];
        MOVE m = find_move(root, c.from, c.to, c.promotion ? c.promotion : TypeQueen);
        ASSERT_NE(m, 0u) << c.fen;
        EXPECT_EQ(givesCheck(root, m, White), c.expected) << c.fen << " " << c.from << c.to;
    }
}

TEST(Legality, CountsAttackersOfASquare) {
    ASSERT_TRUE(setup_fen("4k3/8/8/2n5/1p2r3/8/8/B2QK3 w - - 0 1"));
    SearchNode& root = SearchNodes[0];
    EXPECT_EQ(countAttackers(root, sq("e3"), White), 1); // the rook on e4
    EXPECT_EQ(countAttackers(root, sq("a3"), White), 1); // the pawn on b4
    EXPECT_EQ(countAttackers(root, sq("b3"), White), 1); // the knight on c5
    EXPECT_EQ(countAttackers(root, sq("d4"), Black), 2); // queen d1 and bishop a1
    EXPECT_TRUE(kingAttacked(root, White));              // the rook down the e-file
    EXPECT_FALSE(kingAttacked(root, Black));
}
