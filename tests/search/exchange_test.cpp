#include "search/exchange.h"

#include "board/legality.h"
#include "search/search_fixture.h"

namespace {

class Exchange : public SearchFixture {};

struct ExchangeCase {
    const char* fen;
    const char* move;
    int verdict;
    const char* why;
};

} // namespace

TEST_F(Exchange, Verdicts) {
    const ExchangeCase cases[] = {
        {"4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1", "e4d5", ExchangeWins, "pawn takes queen"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "e1e2", ExchangeEven, "king move"},
        {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", "b1c3", ExchangeEven, "quiet to a free square"},
        {"4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1", "d1d5", ExchangeWins, "undefended knight"},
        {"4k3/8/8/2p5/8/8/8/3QK3 w - - 0 1", "d1d4", ExchangeLoses, "queen onto a pawn's square"},
        {"4k3/8/5b2/8/8/8/8/1N2K3 w - - 0 1", "b1c3", ExchangeLoses, "knight onto a bishop's"},
        {"4k3/8/4p3/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", ExchangeEven, "pawn takes pawn"},
        {"4k3/8/4p3/3p4/8/4N3/8/4K3 w - - 0 1", "e3d5", ExchangeLoses, "knight takes guarded pawn"},
        {"4k3/8/4p3/3n4/8/8/8/3RK3 w - - 0 1", "d1d5", ExchangeLoses, "rook takes guarded knight"},
        {"3rk3/8/8/3p4/8/8/3R4/3RK3 w - - 0 1", "d2d5", ExchangeWins, "second rook behind"},
        {"3rk3/8/8/3p4/8/8/3R4/4K3 w - - 0 1", "d2d5", ExchangeLoses, "no rook behind"},
        {"4k3/8/4p3/3n4/8/1B6/8/4K3 w - - 0 1", "b3d5", ExchangeEven, "bishop for knight"},
        {"3rk3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", ExchangeLoses, "queening into a rook"},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", ExchangeWins, "free queening"},
        {"4k3/8/8/3p4/4P3/8/4Q3/4K3 b - - 0 1", "d5e4", ExchangeEven,
         "pawn takes a pawn the queen guards"},
        {"k7/8/8/3r4/8/3R4/8/3K4 w - - 0 1", "d3d5", ExchangeWins, "king cannot retake alone"},
        // Exchanges that end within 50 of even: each side recaptures while it pays, and the
        // last recapture that pays is counted.
        {"4k3/8/4p3/3b4/8/2N5/8/4K3 w - - 0 1", "c3d5", ExchangeEven,
         "knight takes a bishop a pawn guards: +10"},
        {"4k3/8/5n2/3p4/8/3BPB2/8/4K3 w - - 0 1", "e3e4", ExchangeEven,
         "push to a square of a pawn and a knight, two bishops behind: -10"},
        {"7k/8/1n3n2/3n4/8/3R4/3R4/3R3K w - - 0 1", "d3d5", ExchangeEven,
         "rook takes a knight two knights guard, two rooks behind: -40"},
        // The verdict's bounds: 50 either way is even, 60 is not.
        {"4k3/1b6/5n2/3b4/4P3/8/8/3RK3 w - - 0 1", "d1d5", ExchangeEven, "RxB NxR PxN BxP: +50"},
        {"k2r4/8/8/r2p4/5N2/1B6/8/7K w - - 0 1", "b3d5", ExchangeEven, "BxP RxB NxR RxN: -50"},
        {"k2r4/5B2/8/r2p4/8/1B6/8/7K w - - 0 1", "b3d5", ExchangeLoses, "BxP RxB BxR RxB: -60"},
        {"3r3k/3r4/8/3b4/8/2N5/3Q4/3Q3K w - - 0 1", "c3d5", ExchangeWins,
         "NxB RxN QxR RxQ QxR: +60"},
    };
    for (const ExchangeCase& c : cases) {
        ASSERT_TRUE(set_fen(c.fen)) << c.fen;
        const MOVE m = game_move(c.move);
        ASSERT_NE(m, 0u) << c.why;
        EXPECT_EQ(staticExchange(SearchNodes[0], m), c.verdict) << c.why;
    }
}

TEST_F(Exchange, RookForMinorPieceIsEvenIntoTheQuiescenceSearch) {
    ASSERT_TRUE(set_fen("4k3/8/4p3/3n4/8/8/8/3RK3 w - - 0 1"));
    const MOVE* p = Board[SqD1].piece->moves->captures;
    ASSERT_NE(*p, 0u);
    QsearchNext = 1;
    EXPECT_EQ(staticExchange(SearchNodes[0], *p), ExchangeEven);
    QsearchNext = 0;
    EXPECT_EQ(staticExchange(SearchNodes[0], *p), ExchangeLoses);
}

TEST_F(Exchange, PlayOutEndsAtACaptureMoreThanFiftyAheadOfThePieceItRisks) {
    // A white knight lands on d5, which a black pawn guards; the gain is set by hand. Up to 50
    // more than the knight, the pawn's recapture is played out (gain - 320); beyond that the
    // exchange ends with the gain.
    ASSERT_TRUE(set_fen("4k3/8/4p3/8/8/2N5/8/4K3 w - - 0 1"));
    const PlyState& st = PlyStates[0];
    const int d5 = make_square(3, 4), c3 = make_square(2, 2);
    const Bitboard occupancy = SearchNodes[0].occupancy & ~square_bit(c3);
    const struct { int gain, balance; } cases[] = {{300, -20}, {370, 50}, {371, 371}, {400, 400}};
    for (const auto& c : cases)
        EXPECT_EQ(exchangeBalance(st, White, d5, c.gain, 320, occupancy), c.balance) << c.gain;
}

TEST_F(Exchange, HangingPieces) {
    const struct {
        const char* fen;
        int square;
        int result;
    } cases[] = {
        {"4k3/8/8/8/3p4/4N3/8/4K3 w - - 0 1", make_square(4, 2), -1},  // pawn hits knight
        {"4k3/8/8/4r3/8/4N3/3P4/4K3 w - - 0 1", make_square(4, 2), 0}, // rook hits guarded knight
        {"4k3/8/8/4r3/8/4N3/8/4K3 w - - 0 1", make_square(4, 2), -1},  // rook hits loose knight
        {"4k3/8/8/8/8/4N3/8/4K3 w - - 0 1", make_square(4, 2), 0},     // nothing hits it
        {"4k3/8/8/3n4/8/4B3/3P4/4K3 w - - 0 1", make_square(4, 2), 0}, // NxB PxN: 10 only
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(set_fen(c.fen)) << c.fen;
        EXPECT_EQ(pieceHanging(SearchNodes[0], c.square), c.result) << c.fen;
    }
}

TEST_F(Exchange, QuietDestinations) {
    const struct {
        const char* fen;
        const char* move;
        int result;
    } cases[] = {
        {"4k3/8/8/2p5/8/8/2N5/4K3 w - - 0 1", "c2d4", -1}, // knight onto a pawn's square
        {"4k3/8/8/8/7r/8/8/R3K3 w - - 0 1", "a1a4", -1},   // rook onto an unguarded square
        {"4k3/8/8/8/7r/1P6/8/R3K3 w - - 0 1", "a1a4", 0},  // the pawn guards it
        {"4k3/8/8/3p4/8/4P3/8/4K3 w - - 0 1", "e3e4", -1}, // a pawn pushed into a pawn
        {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", "b1c3", 0},    // a free square
        {"4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", "e1d1", 0},    // the king is never unsafe here
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(set_fen(c.fen)) << c.fen;
        const MOVE m = game_move(c.move);
        ASSERT_NE(m, 0u) << c.fen;
        EXPECT_EQ(quietDestinationSafe(SearchNodes[0], m), c.result) << c.fen << " " << c.move;
    }
}
