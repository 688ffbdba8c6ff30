// The evaluation figures that the generators leave in the move records and the ply-state
// accumulators that sum them. Expected figures are worked out by hand from the generator rules;
// the random-line test checks the bookkeeping of make/unmake and the incremental pass.
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/consistency.h"
#include "board/legality.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "fen_fixture.h"

namespace {

const PieceMoveRecord& record_on(const char* square) {
    return *PieceList[Board[sq(square)].slot].moves;
}

// Regenerates the game position after the test changed what the generators read.
void regenerate(uint8_t fileMask, int gamePly) {
    PlyStates[0].fileMask = fileMask;
    GamePly = int16_t(gamePly);
    updateMoves(SearchNodes[0], FullUpdate);
}

// ---------------------------------------------------------------------------------------------
// Checks shared by the random-line test.
// ---------------------------------------------------------------------------------------------

// Open lines beside a king counted straight from the board.
void fresh_shelter(const PlyState& s, int colour, int counts[3]) {
    counts[0] = counts[1] = counts[2] = 0;
    int rights = s.castlingRights[colour];
    if (rights >= 1 && rights <= 3) return;
    int king = s.kingSquare[colour], file = file_of(king), rank = rank_of(king);
    const int lines[8][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
    for (const auto& l : lines) {
        if (l[1] == 0 && rank == (colour == White ? 0 : 7)) continue;
        bool open = true;
        for (int i = 1; i <= 3 && open; ++i) {
            int f = file + i * l[0], r = rank + i * l[1];
            if (f < 0 || f > 7 || r < 0 || r > 7) {
                open = false;
                break;
            }
            const BoardSquare& b = Board[make_square(f, r)];
            if (b.letter == LetterPawn && b.colour == colour) open = false;
        }
        if (open) ++counts[l[0] == 0 ? 0 : 1];
    }
}

// Ordering class a generator gives a capture by mover and victim type.
MOVE expected_class(int mover, int victim) {
    constexpr MOVE Unchanged = ClassQuiet; // king victims of pieces keep the table's class
    switch (mover) {
    case TypePawn: return victim == TypePawn ? ClassPawnCapture : ClassBestCapture;
    case TypeKnight:
        if (victim == TypeKnight || victim == TypeBishop) return ClassMinorVictim;
        if (victim == TypePawn) return ClassPawnVictim;
        return victim == TypeKing ? Unchanged : ClassBestCapture;
    case TypeBishop:
    case TypeRook:
        if (victim == TypePawn) return ClassPawnVictim;
        if (victim == TypeKing) return Unchanged;
        if (victim == TypeQueen) return ClassBestCapture;
        if (victim == TypeRook) return mover == TypeBishop ? ClassBestCapture : ClassMinorVictim;
        return ClassMinorVictim;
    case TypeQueen:
        if (victim == TypeQueen) return ClassMinorVictim;
        if (victim == TypePawn) return ClassPawnVictim;
        return victim == TypeKing ? Unchanged : ClassPieceTakesPiece;
    default: return victim == TypePawn ? ClassPawnVictim : ClassBestCapture;
    }
}

// Every accumulator equals the sum over the live pieces of their current records; the shelter
// counts, queen square, bishop shades and king wings agree with the board; every capture carries
// its victim and class.
void expect_accumulators(const SearchNode& node, const std::string& where) {
    const PlyState& s = *node.state;
    int mobility = 0, extra = 0, squareValue = 0, placement[2] = {}, promoters[2] = {};
    bool queen[2] = {};
    uint8_t shades[2][2] = {};
    for (const PieceEntry& e : PieceList) {
        if (e.letter == 0) continue;
        const PieceMoveRecord& r = *e.moves;
        mobility += e.sign * (r.mobilityCount + r.mobilityScore);
        extra += e.sign * r.extra;
        squareValue += r.squareValue;
        placement[e.colour] += r.placementFlag;
        promoters[e.colour] += r.canPromote;
        if (e.letter == LetterQueen) queen[e.colour] = true;
        if (e.letter == LetterBishop) shades[e.colour][(e.file + e.rank) & 1] = 1;
        ASSERT_EQ(r.mobilityCount, r.quietCount + r.captureCount) << where;
        ASSERT_EQ(r.squareValue, Board[e.square].pieceSquare[e.kind]) << where;
        for (int i = 0; i < r.captureCount; ++i) {
            MOVE m = r.captures[i];
            int victim = move_captured(m);
            if (move_special(m) == MoveEnPassant) {
                ASSERT_EQ(victim, TypePawn) << where;
                ASSERT_EQ(m & MoveClassMask, ClassPawnCapture) << where;
            } else if (victim == 0) {
                ASSERT_EQ(move_special(m), int(MovePromotion)) << where;
                ASSERT_EQ(move_promotion_type(m), TypeQueen) << where;
                ASSERT_EQ(m & MoveClassMask, ClassPromotion) << where;
            } else {
                ASSERT_EQ(victim, letter_type(Board[move_to(m)].letter)) << where << " " << m;
                ASSERT_EQ(m & MoveClassMask, expected_class(letter_type(e.letter), victim))
                    << where << " move " << std::hex << m;
            }
        }
    }
    ASSERT_EQ(s.mobilityTotal, int16_t(mobility)) << where;
    ASSERT_EQ(s.extraTotal, int16_t(extra)) << where;
    ASSERT_EQ(s.squareValueTotal, int16_t(squareValue)) << where;
    for (int c = 0; c < 2; ++c) {
        ASSERT_EQ(s.placementTotal[c], uint8_t(placement[c])) << where << " colour " << c;
        ASSERT_EQ(s.promotersCount[c], promoters[c]) << where << " colour " << c;
        int counts[3];
        fresh_shelter(s, c, counts);
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(s.kingShelter[c * 3 + i], counts[i]) << where << " shelter of " << c;
        ASSERT_EQ(s.kingWing[c], kingWing(s.kingFile[c], s.castlingRights[c])) << where;
        for (int shade = 0; shade < 2; ++shade)
            ASSERT_EQ(s.bishopSquareColour[c][shade], shades[c][shade]) << where << " shade";
        if (!queen[c]) {
            ASSERT_EQ(s.queenSquare[c], 255) << where;
        } else {
            const BoardSquare& b = Board[s.queenSquare[c] & 63];
            ASSERT_TRUE(b.letter == LetterQueen && b.colour == c) << where;
        }
    }
    ASSERT_EQ(positionInconsistency(node), nullptr) << where;
}

// Records rebuilt in node's pass hold what a fresh rebuild on the final board gives: the pass
// rebuilt them only once everything they read (board, pawns, phase, rights) was in place. The
// fresh copies are built on a scratch state at the last ply, which the lines never reach.
void expect_rebuilt_records_fresh(const SearchNode& node, const std::string& where) {
    PlyState scratchState = *node.state;
    SearchNode scratch = node;
    scratch.state = &scratchState;
    scratch.regeneratedCount = 0;
    const int8_t ply = SearchPly;
    for (PieceEntry& e : PieceList) {
        if (e.letter == 0 || e.moves->ply != ply) continue;
        PieceMoveRecord* kept = e.moves;
        SearchPly = MaxPly - 1;
        rebuildPieceRecord(scratch, e);
        const PieceMoveRecord& fresh = *e.moves;
        e.moves = kept;
        SearchPly = ply;
        std::string at = where + " slot " + std::to_string(e.slot);
        ASSERT_EQ(kept->mobilityScore, fresh.mobilityScore) << at;
        ASSERT_EQ(kept->extra, fresh.extra) << at;
        ASSERT_EQ(kept->placementFlag, fresh.placementFlag) << at;
        ASSERT_EQ(kept->canPromote, fresh.canPromote) << at;
        ASSERT_EQ(kept->attacks, fresh.attacks) << at;
        ASSERT_EQ(kept->quietCount, fresh.quietCount) << at;
        ASSERT_EQ(kept->captureCount, fresh.captureCount) << at;
        for (int i = 0; i < fresh.quietCount; ++i) ASSERT_EQ(kept->quiet[i], fresh.quiet[i]) << at;
        for (int i = 0; i < fresh.captureCount; ++i)
            ASSERT_EQ(kept->captures[i], fresh.captures[i]) << at;
    }
}

std::vector<MOVE> legal_moves(SearchNode& node) {
    std::vector<MOVE> moves;
    int side = node.side;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.letter == 0) continue;
        for (const MOVE* list : {e.moves->captures, e.moves->quiet})
            for (const MOVE* p = list; *p; ++p)
                if (((node.testMask >> slot) & 1) == 0 ||
                    isLegal(node, slot, *p, KingIndex[side], lastMoveInto(node)) == Legal)
                    moves.push_back(*p);
    }
    return moves;
}

// A random move, with castling, en passant and promotions favoured so that lines meet them.
MOVE pick_move(const std::vector<MOVE>& moves, std::mt19937& rng) {
    std::vector<MOVE> special;
    for (MOVE m : moves)
        if (move_special(m) != 0) special.push_back(m);
    if (!special.empty() && rng() % 2 == 0) return special[rng() % special.size()];
    return moves[rng() % moves.size()];
}

// A random line below node, branching now and then so that siblings reuse the child's ply, with
// an occasional null move; the node is checked on the way down and again after every take-back.
void random_line(SearchNode& node, int depth, std::mt19937& rng, int& budget,
                 const std::string& where) {
    expect_accumulators(node, where);
    expect_rebuilt_records_fresh(node, where);
    if (depth == 0 || budget <= 0 || ::testing::Test::HasFatalFailure()) return;
    std::vector<MOVE> moves = legal_moves(node);
    if (moves.empty()) return;
    int branches = rng() % 8 == 0 ? 2 : 1;
    for (int b = 0; b < branches && budget > 0; ++b) {
        --budget;
        MOVE m = pick_move(moves, rng);
        if (node.checkState == 0 && node.index > 0 && rng() % 16 == 0) m = NULL_MOVE;
        SearchNode& child = playIntoChild(node, m);
        ++SearchPly;
        updateMoves(child, m);
        random_line(child, depth - 1, rng, budget, where + " " + std::to_string(m & 0xFFF));
        --SearchPly;
        takeBackFromChild(node, m);
        if (::testing::Test::HasFatalFailure()) return;
        expect_accumulators(node, where + " (back)");
    }
}

std::string square_name(int square) {
    return std::string{char('a' + file_of(square)), char('1' + rank_of(square))};
}

// The board's piece-square bytes, put back on destruction.
struct SavedPieceSquares {
    int8_t saved[64][KindCount];
    SavedPieceSquares() {
        for (int s = 0; s < 64; ++s)
            for (int k = 0; k < KindCount; ++k) saved[s][k] = Board[s].pieceSquare[k];
    }
    void restore() const {
        for (int s = 0; s < 64; ++s)
            for (int k = 0; k < KindCount; ++k) Board[s].pieceSquare[k] = saved[s][k];
    }
    ~SavedPieceSquares() { restore(); }
};

// Piece-square bytes that differ by kind and square, so that squareValue sums are not all zero.
struct ScrambledPieceSquares : SavedPieceSquares {
    ScrambledPieceSquares() {
        for (int s = 0; s < 64; ++s)
            for (int k = 0; k < KindCount; ++k) {
                int v = (s * 7 + k * 13) % 61 - 30;
                Board[s].pieceSquare[k] = int8_t((k & 1) ? -v : v);
            }
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Figures of single pieces, worked out by hand.
// ---------------------------------------------------------------------------------------------

TEST(GeneratorFigures, PieceRecordFigures) {
    struct Case {
        const char* fen;
        uint8_t fileMask;
        int gamePly;
        const char* square;
        int mobilityScore, mobilityCount, extra, placement;
    };
    const Case cases[] = {
        // Knight d4: b3 quiet under a black pawn -2, b5 rook +4, c2 own pawn -2, c6 knight 0,
        // e6 pawn defended from f7 +2 -1, f5 bishop +4, e2 and f3 quiet; 2 * (3 + 4 - 4) = 6.
        {"7k/5p2/2n1p3/1r3b2/2pN4/8/2P5/7K w - - 0 1", 0, 0, "d4", 11, 7, 0, 0},
        // Knight d6 checking the king: seven quiet moves, the king +2; 2 * (8 - 4).
        {"4k3/8/3N4/8/8/8/8/4K3 b - - 0 1", 0, 0, "d6", 10, 8, 0, 0},
        // Knight placement: white on a8 and black on a1 254; white on rank 2 and black on
        // rank 7 255 whatever the mobility; elsewhere 255 only below three moves.
        {"N6k/8/8/8/8/8/8/7K w - - 0 1", 0, 0, "a8", -4, 2, 0, 254},
        {"7k/8/8/8/8/8/8/n6K b - - 0 1", 0, 0, "a1", -4, 2, 0, 254},
        {"7k/8/8/8/8/8/1N6/7K w - - 0 1", 0, 0, "b2", 0, 4, 0, 255},
        {"7k/1n6/8/8/8/8/8/7K b - - 0 1", 0, 0, "b7", 0, 4, 0, 255},
        {"7k/8/8/1P1P4/P7/2N5/P7/1R1Q2K1 w - - 0 1", 0, 0, "c3", -16, 2, 0, 255},
        {"7k/8/8/1P6/P7/2N5/P7/1R1Q2K1 w - - 0 1", 0, 0, "c3", -12, 3, 0, 0},
        // Bishop d3: e4 own pawn ahead -4, king f1 -2, b5 pawn defended from a6 +2 -2, c2 own
        // pawn behind 0; n = 3 gives -10. Pawn d2 under it: 254.
        {"7k/8/p7/1p6/4P3/3B4/2PP4/5K2 w - - 0 1", 0, 0, "d3", -16, 3, 0, 254},
        // Bishop g2 boxed in (pawns f3, h3 ahead -4 each, knight f1 and king h1 -2 each, n = 0
        // gives -15) keeps flag 0 with the pawn on g3.
        {"k7/8/8/8/8/5PPP/6B1/5N1K w - - 0 1", 0, 0, "g2", -27, 0, 0, 0},
        // Own pawn on its seventh rank: +30 while the phase is below 2 (rook on: phase 1),
        // else only the -4 of a pawn ahead (phase 2). n = 9 gives +5.
        {"7k/4P3/3B4/8/8/8/8/R3K3 w - - 0 1", 0, 0, "d6", 35, 9, 0, 0},
        {"7k/4P3/3B4/8/8/8/8/4K3 w - - 0 1", 0, 0, "d6", 1, 9, 0, 0},
        // Black bishop e3 behind its pawn on d2 (its seventh rank), phase 1.
        {"1r5k/8/8/8/8/4b3/3p4/K7 b - - 0 1", 0, 0, "e3", 35, 9, 0, 0},
        // Black bishop c5: d4 own pawn ahead (lower rank) -4, b6 own pawn behind 0, queen f8
        // +4; n = 5 gives -7.
        {"5Q2/8/1p6/k1b5/3p4/8/8/7K b - - 0 1", 0, 0, "c5", -7, 5, 0, 0},
        // Bishop d4 takes queen +4, rook +2, knight +2, bishop 0; n = 8 gives +5.
        {"7k/8/1r3q2/8/3B4/8/1n3b2/7K w - - 0 1", 0, 0, "d4", 13, 8, 0, 0},
        // Rook d1 behind a passed pawn on d4: -2, +15 (phase 2); king g1 -2;
        // n = 2 + 0 + 2/2 + 3/2 = 4 gives -15.
        {"7k/8/8/8/3P4/8/8/3R2K1 w - - 0 1", 0, 0, "d1", -4, 7, 0, 0},
        // Same with the pawn not passed (e6): blocked, file rays 2 <= 3: -20 and 255 off the
        // a- and h-files.
        {"7k/8/4p3/8/3P4/8/8/3R2K1 w - - 0 1", 0, 0, "d1", -39, 7, 0, 255},
        // On the a-file the blocked rook is flagged 254 (n = 1 + 3/2 = 2, four moves kept).
        {"7k/8/8/1p6/8/P7/8/R3K3 w - - 0 1", 0, 0, "a1", -39, 4, 0, 254},
        // In phase 0 the passed pawn in front earns nothing.
        {"q3k2r/8/8/8/3P4/7Q/8/3R2K1 w - - 0 1", 0, 0, "d1", -19, 7, 0, 0},
        // Black rook e8 behind its passed pawn on e5 (forward is down for black), then blocked
        // by a white pawn on d3 in that pawn's path mask.
        {"4r1k1/8/8/4p3/8/8/8/K7 b - - 0 1", 0, 0, "e8", -4, 7, 0, 0},
        {"4r1k1/8/8/4p3/8/3P4/8/K7 b - - 0 1", 0, 0, "e8", -39, 7, 0, 255},
        // Rooks b7 and e7 on the seventh (phase 1): extra 50, +20 for the black pawn on g7.
        // e7: e8, e6..e1, f7 and g7 (undefended pawn +2), d7 c7 then the rook -2: n = 9.
        {"7k/1R2R1p1/8/8/8/8/8/K7 w - - 0 1", 0, 0, "e7", 5, 11, 70, 0},
        {"7k/1R2R1p1/8/8/8/8/8/K7 w - - 0 1", 0, 0, "b7", 3, 10, 70, 0},
        // Doubled rooks on a marked file: extra 10 then 25; unmarked file: 0.
        {"k7/8/8/8/3R4/8/7K/3R4 w - - 0 1", 1 << 3, 0, "d1", -12, 9, 25, 0},
        {"k7/8/8/8/3R4/8/7K/3R4 w - - 0 1", 1 << 3, 0, "d4", 3, 13, 25, 0},
        {"k7/8/8/8/3R4/8/7K/3R4 w - - 0 1", 0, 0, "d1", -12, 9, 0, 0},
        {"k7/8/8/8/3R4/8/7K/3R4 w - - 0 1", 1 << 4, 0, "d1", -12, 9, 0, 0},
        // A lone rook on a marked file starts at 10.
        {"7k/8/8/8/3P4/8/8/3R2K1 w - - 0 1", 1 << 3, 0, "d1", -4, 7, 10, 0},
        // Rook d4 takes pawn d6 (defended from e7: +2 -2), rook d2 (0), knight f4 (+2), queen b4
        // (+2); n = 2 + 2 + 1 + 1 = 6 gives -10.
        {"7k/4p3/3p4/8/1q1R1n2/8/3r4/7K w - - 0 1", 0, 0, "d4", -6, 8, 0, 0},
        // Black rook c2 on its second rank with a white pawn there (phase 2): extra 20.
        {"7k/8/8/8/8/8/2r2P2/7K b - - 0 1", 0, 0, "c2", 7, 12, 20, 0},
        // Queen a1: rook a3 on the marked a-file -2 and extra 15; pawn c3 defended from d4
        // (-2); king e1 -2; n = 6 gives -3.
        {"7k/8/8/8/3p4/R1p5/8/Q3K3 w - - 0 1", 1, 0, "a1", -9, 6, 15, 0},
        {"7k/8/8/8/3p4/R1p5/8/Q3K3 w - - 0 1", 0, 0, "a1", -9, 6, 0, 0},
        // Queen c7 beside a rook on the seventh: extra 15; n = 20 gives -10; the rook's extra 50.
        {"7k/2Q2R2/8/8/8/8/8/K7 w - - 0 1", 0, 0, "c7", -12, 20, 15, 0},
        {"7k/2Q2R2/8/8/8/8/8/K7 w - - 0 1", 0, 0, "f7", 3, 11, 50, 0},
        // Queen d1 takes knight +6, queen 0, king listed only; king h1 -2; n = 17 gives -8.
        {"8/8/8/3n3k/q7/8/8/3Q3K b - - 0 1", 0, 0, "d1", -4, 17, 0, 0},
        // Queen placement: white with 3-5 moves 255, black with 3-5 keeps 0, below 3 254.
        {"7k/8/8/8/7P/5P2/8/5K1Q w - - 0 1", 0, 0, "h1", -8, 4, 0, 255},
        {"5k1q/8/5p2/7p/8/8/8/7K b - - 0 1", 0, 0, "h8", -8, 4, 0, 0},
        {"qn5k/pp6/8/8/8/8/8/7K b - - 0 1", 0, 0, "a8", -21, 0, 0, 254},
        // Kings: captures of a knight +2 and of a pawn 0; placement by square while the game
        // is at most 50 plies old, afterwards the generator's 0.
        {"7k/8/8/8/3pn3/4K3/8/8 w - - 0 1", 0, 0, "e3", 2, 8, 0, 255},
        {"4k3/8/8/8/8/8/8/6K1 w - - 0 1", 0, 0, "g1", 0, 5, 0, 0},
        {"4k3/8/8/8/8/8/8/6K1 w - - 0 1", 0, 0, "e8", 0, 5, 0, 255},
        {"4k3/8/8/8/8/8/8/6K1 w - - 0 1", 0, 51, "e8", 0, 5, 0, 0},
        {"4k3/8/8/8/8/8/8/6K1 w - - 0 1", 0, 50, "e8", 0, 5, 0, 255},
        {"1k6/8/8/8/8/8/8/4K3 w - - 0 1", 0, 0, "b8", 0, 5, 0, 0},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 0, 0, "e1", 0, 7, 0, 255},
        // Pawns carry no mobility score: b7 promotes by push (D a capture, T F C quiet) and by
        // taking a8 and c8.
        {"r1n1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", 0, 0, "b7", 0, 12, 0, 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        regenerate(c.fileMask, c.gamePly);
        const PieceMoveRecord& r = record_on(c.square);
        std::string where = std::string(c.fen) + " " + c.square;
        EXPECT_EQ(r.mobilityScore, c.mobilityScore) << where;
        EXPECT_EQ(r.mobilityCount, c.mobilityCount) << where;
        EXPECT_EQ(r.extra, c.extra) << where;
        EXPECT_EQ(r.placementFlag, c.placement) << where;
    }
    GamePly = 0;
}

TEST(GeneratorFigures, PromotionFlagAndPromoterCounts) {
    struct {
        const char *fen, *square;
        int canPromote, captures, quiet;
    } cases[] = {
        {"r1n1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7", 1, 9, 3},
        {"1n2k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7", 0, 0, 0},  // push blocked, nothing to take
        {"1nb1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7", 1, 4, 0}, // only by taking c8
        {"4k3/8/8/8/8/8/1p6/1R2K3 b - - 0 1", "b2", 0, 0, 0},
        {"4k3/8/8/8/8/1R6/1p6/4K3 b - - 0 1", "b2", 1, 1, 3},
        {"4k3/8/8/8/8/8/6p1/4K2N b - - 0 1", "g2", 1, 5, 3}, // g1 push and h1 knight
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        const PieceMoveRecord& r = record_on(c.square);
        EXPECT_EQ(r.canPromote, c.canPromote) << c.fen;
        EXPECT_EQ(r.captureCount, c.captures) << c.fen;
        EXPECT_EQ(r.quietCount, c.quiet) << c.fen;
        EXPECT_EQ(r.mobilityScore, 0) << c.fen;
        int colour = Board[sq(c.square)].colour;
        EXPECT_EQ(PlyStates[0].promotersCount[colour], c.canPromote) << c.fen;
        EXPECT_EQ(PlyStates[0].promotersCount[1 - colour], 0) << c.fen;
    }
}

TEST(GeneratorFigures, CaptureCodesCarryVictimAndOrderingClass) {
    struct {
        const char *fen, *from, *to;
        int promotion, victim;
        MOVE orderingClass;
    } cases[] = {
        {"7k/5p2/2n1p3/1r3b2/2pN4/8/2P5/7K w - - 0 1", "d4", "b5", 0, TypeRook, ClassBestCapture},
        {"7k/5p2/2n1p3/1r3b2/2pN4/8/2P5/7K w - - 0 1", "d4", "c6", 0, TypeKnight, 0x2000000},
        {"7k/5p2/2n1p3/1r3b2/2pN4/8/2P5/7K w - - 0 1", "d4", "e6", 0, TypePawn, 0x3800000},
        {"7k/5p2/2n1p3/1r3b2/2pN4/8/2P5/7K w - - 0 1", "d4", "f5", 0, TypeBishop, 0x2000000},
        {"4k3/8/3N4/8/8/8/8/4K3 b - - 0 1", "d6", "e8", 0, TypeKing, 0x5800000},
        {"7k/8/1r3q2/8/3B4/8/1n3b2/7K w - - 0 1", "d4", "f6", 0, TypeQueen, 0},
        {"7k/8/1r3q2/8/3B4/8/1n3b2/7K w - - 0 1", "d4", "b6", 0, TypeRook, 0},
        {"7k/8/1r3q2/8/3B4/8/1n3b2/7K w - - 0 1", "d4", "b2", 0, TypeKnight, 0x2000000},
        {"7k/8/1r3q2/8/3B4/8/1n3b2/7K w - - 0 1", "d4", "f2", 0, TypeBishop, 0x2000000},
        {"7k/4p3/3p4/8/1q1R1n2/8/3r4/7K w - - 0 1", "d4", "d6", 0, TypePawn, 0x3800000},
        {"7k/4p3/3p4/8/1q1R1n2/8/3r4/7K w - - 0 1", "d4", "d2", 0, TypeRook, 0x2000000},
        {"7k/4p3/3p4/8/1q1R1n2/8/3r4/7K w - - 0 1", "d4", "f4", 0, TypeKnight, 0x2000000},
        {"7k/4p3/3p4/8/1q1R1n2/8/3r4/7K w - - 0 1", "d4", "b4", 0, TypeQueen, 0},
        {"8/8/8/3n3k/q7/8/8/3Q3K b - - 0 1", "d1", "d5", 0, TypeKnight, 0x3000000},
        {"8/8/8/3n3k/q7/8/8/3Q3K b - - 0 1", "d1", "a4", 0, TypeQueen, 0x2000000},
        {"8/8/8/3n3k/q7/8/8/3Q3K b - - 0 1", "d1", "h5", 0, TypeKing, 0x5800000},
        {"7k/8/8/8/3p4/R1p5/8/Q3K3 w - - 0 1", "a1", "c3", 0, TypePawn, 0x3800000},
        {"7k/8/8/8/3pn3/4K3/8/8 w - - 0 1", "e3", "e4", 0, TypeKnight, 0},
        {"7k/8/8/8/3pn3/4K3/8/8 w - - 0 1", "e3", "d4", 0, TypePawn, 0x3800000},
        // Pawns: a pawn victim keeps 0x2800000, others 0, promotions included; the push to D.
        {"4k3/8/8/3p1n2/4P3/8/8/4K3 w - - 0 1", "e4", "d5", 0, TypePawn, 0x2800000},
        {"4k3/8/8/3p1n2/4P3/8/8/4K3 w - - 0 1", "e4", "f5", 0, TypeKnight, 0},
        {"r1n1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7", "a8", TypeKnight, TypeRook, 0},
        {"r1n1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7", "c8", TypeQueen, TypeKnight, 0},
        {"r1n1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7", "b8", TypeQueen, 0, 0x800000},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", "e5", "d6", 0, TypePawn, 0x2800000},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        const PieceMoveRecord& r = record_on(c.from);
        MOVE found = 0;
        for (const MOVE* p = r.captures; *p; ++p)
            if (move_to(*p) == sq(c.to) &&
                (c.promotion == 0 || move_promotion_type(*p) == c.promotion))
                found = *p;
        ASSERT_NE(found, 0u) << c.fen << " " << c.from << c.to;
        EXPECT_EQ(move_captured(found), c.victim) << c.fen << " " << c.from << c.to;
        EXPECT_EQ(found & MoveClassMask, c.orderingClass) << c.fen << " " << c.from << c.to;
    }
}

TEST(GeneratorFigures, KingShelterCounts) {
    struct {
        const char* fen;
        int colour, fileLines, otherLines;
    } cases[] = {
        // g1 behind f2 g2 h2: nothing open (the first-rank sideways lines are not looked at).
        {"6k1/8/8/8/8/8/5PPP/6K1 w - - 0 1", White, 0, 0},
        {"6k1/8/8/8/8/8/5P1P/6K1 w - - 0 1", White, 1, 0},
        {"6k1/8/8/8/8/8/7P/6K1 w - - 0 1", White, 1, 1},
        // Off its first rank the sideways lines count: g3 has g-file up, f3 sideways, f4 diagonal.
        {"6k1/8/8/8/8/6K1/8/8 w - - 0 1", White, 1, 2},
        // A pawn three squares away still closes the line; one beyond does not.
        {"6k1/8/8/6P1/8/6K1/8/8 w - - 0 1", White, 0, 2},
        {"6k1/8/6P1/8/8/6K1/8/8 w - - 0 1", White, 0, 2},
        {"6k1/6P1/8/8/8/6K1/8/8 w - - 0 1", White, 1, 2},
        // An enemy pawn does not close a line.
        {"6k1/8/8/8/6p1/6K1/8/8 b - - 0 1", White, 1, 2},
        // Black on g8 behind f7 h7: g-file down open, f7 closes its diagonal.
        {"6k1/5p1p/8/8/8/8/8/6K1 w - - 0 1", Black, 1, 0},
        // A king that may still castle keeps zero counts.
        {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", White, 0, 0},
        {"4k3/8/8/8/8/8/8/4K2R w - - 0 1", White, 1, 2},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        const uint8_t* counts = &PlyStates[0].kingShelter[c.colour * 3];
        EXPECT_EQ(counts[0], c.fileLines) << c.fen;
        EXPECT_EQ(counts[1], c.otherLines) << c.fen;
        EXPECT_EQ(counts[2], 0) << c.fen;
    }
}

// ---------------------------------------------------------------------------------------------
// Accumulators: the sums in the ply state, the victim's part taken out by makeMove.
// ---------------------------------------------------------------------------------------------

TEST(GeneratorFigures, PlyStateSumsTheRecords) {
    // Two rooks on the seventh: 70 each, and the sum holds 140 without wrapping.
    ASSERT_TRUE(setup_fen("7k/1R2R1p1/8/8/8/8/8/K7 w - - 0 1"));
    EXPECT_EQ(PlyStates[0].extraTotal, 140);
    // Start position: knights -6 and 2 moves, bishops -23, rooks -44, queen -25, king 0 and 2
    // (the castling entries), pawns 1 or 2 moves; black mirrors white.
    ASSERT_TRUE(setup_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    EXPECT_EQ(PlyStates[0].mobilityTotal, 0);
    // Flags per colour: knights 255 + 255, bishops 255 + 255, rooks 255 + 255, queen 254,
    // king 255 (e-file), pawns 0: 7 * 255 + 254 = 2039, kept as a byte: 2039 - 7 * 256 = 247.
    EXPECT_EQ(PlyStates[0].placementTotal[White], 247);
    EXPECT_EQ(PlyStates[0].placementTotal[Black], 247);
    // After 1. Nf3 at game level the f3 knight has 5 quiet moves (d4, e5, g5, h4, g1) and own
    // pieces on d2, e1 and h2: -6 + 2 * (5 - 4) = -4; its flag drops from 255 to 0.
    ASSERT_NE(play_game_move("g1", "f3"), 0u);
    const PieceMoveRecord& knight = record_on("f3");
    EXPECT_EQ(knight.mobilityCount, 5);
    EXPECT_EQ(knight.mobilityScore, -4);
    EXPECT_EQ(knight.placementFlag, 0);
    EXPECT_EQ(PlyStates[0].placementTotal[White], uint8_t(247 - 255));
}

TEST(GeneratorFigures, CaptureTakesTheVictimsFiguresOut) {
    struct {
        const char *fen, *from, *to;
        int victimScore, victimCount, victimExtra, victimPlacement, victimPromotes;
        int victimSquareValue;
    } cases[] = {
        // Black rook b5: b6-b8, b4-b1, a5, c5-e5 then its bishop -2; n = 3 + 4 + 1 + 0 = 8.
        {"7k/5p2/2n1p3/1r3b2/2pN4/8/2P5/7K w - - 0 1", "d4", "b5", 3, 11, 0, 0, 0, -25},
        // Black rook c2 on its second rank with extra 20, taken by the knight.
        {"7k/8/8/8/8/8/2r2P2/4N2K w - - 0 1", "e1", "c2", 7, 12, 20, 0, 0, -3},
        // Black knight b7 (flag 255: rank 7) taken by a rook.
        {"7k/1n6/8/8/8/8/8/1R5K w - - 0 1", "b1", "b7", 0, 4, 0, 255, 0, 17},
        // Black pawn b2 able to promote (one capture code, three quiet) taken from b3.
        {"4k3/8/8/8/8/1R6/1p6/4K3 w - - 0 1", "b3", "b2", 0, 4, 0, 0, 1, 0},
    };
    SavedPieceSquares pieceSquares;
    for (const auto& c : cases) {
        pieceSquares.restore();
        for (int k = 1; k < KindCount; k += 2) // black kinds
            Board[sq(c.to)].pieceSquare[k] = int8_t(c.victimSquareValue);
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        const PieceMoveRecord& v = record_on(c.to);
        EXPECT_EQ(v.mobilityScore, c.victimScore) << c.fen;
        EXPECT_EQ(v.mobilityCount, c.victimCount) << c.fen;
        EXPECT_EQ(v.extra, c.victimExtra) << c.fen;
        EXPECT_EQ(v.placementFlag, c.victimPlacement) << c.fen;
        EXPECT_EQ(v.canPromote, c.victimPromotes) << c.fen;
        EXPECT_EQ(v.squareValue, c.victimSquareValue) << c.fen;
        PlyState before = PlyStates[0];
        MOVE m = find_move(SearchNodes[0], c.from, c.to);
        ASSERT_NE(m, 0u) << c.fen;
        playIntoChild(SearchNodes[0], m); // makeMove alone: the victim's part leaves
        const PlyState& after = PlyStates[1];
        // A black victim counted negatively: removing it adds its figures back.
        EXPECT_EQ(after.mobilityTotal, before.mobilityTotal + c.victimCount + c.victimScore)
            << c.fen;
        EXPECT_EQ(after.extraTotal, before.extraTotal + c.victimExtra) << c.fen;
        EXPECT_EQ(after.placementTotal[Black],
                  uint8_t(before.placementTotal[Black] - c.victimPlacement))
            << c.fen;
        EXPECT_EQ(after.placementTotal[White], before.placementTotal[White]) << c.fen;
        EXPECT_EQ(after.promotersCount[Black], before.promotersCount[Black] - c.victimPromotes)
            << c.fen;
        EXPECT_EQ(after.squareValueTotal, before.squareValueTotal - c.victimSquareValue) << c.fen;
        SearchPly = 1;
        updateMoves(SearchNodes[1], m);
        expect_accumulators(SearchNodes[1], c.fen);
        SearchPly = 0;
        takeBackFromChild(SearchNodes[0], m);
    }
}

TEST(GeneratorFigures, QueenSquareFollowsTheQueens) {
    // Black queens a6 (lower slot) and d8: the square is that of the queen built last.
    ASSERT_TRUE(setup_fen("3qk3/8/q7/8/8/8/8/3RK2R w - - 0 1"));
    EXPECT_EQ(PlyStates[0].queenSquare[Black], sq("d8"));
    struct {
        const char *from, *to, *expected;
        int lost;
    } cases[] = {
        {"d1", "d8", "a6", 0}, // the recorded queen goes: the first remaining one in slot order
        {"h1", "h5", "d8", 0}, // no capture: unchanged
    };
    for (const auto& c : cases) {
        MOVE m = find_move(SearchNodes[0], c.from, c.to);
        ASSERT_NE(m, 0u) << c.from << c.to;
        SearchNode& child = playIntoChild(SearchNodes[0], m);
        EXPECT_EQ(PlyStates[1].queenSquare[Black], sq(c.expected)) << c.from << c.to;
        EXPECT_EQ(PlyStates[1].queenLost[Black], c.lost);
        SearchPly = 1;
        updateMoves(child, m);
        expect_accumulators(child, std::string(c.from) + c.to);
        SearchPly = 0;
        takeBackFromChild(SearchNodes[0], m);
    }
    // A queen that moves records its new square in the child's state when rebuilt.
    ASSERT_TRUE(setup_fen("4k3/8/8/8/8/8/8/3QK3 w - - 0 1"));
    MOVE m = find_move(SearchNodes[0], "d1", "d5");
    SearchNode& child = playIntoChild(SearchNodes[0], m);
    SearchPly = 1;
    updateMoves(child, m);
    EXPECT_EQ(PlyStates[1].queenSquare[White], sq("d5"));
    EXPECT_EQ(PlyStates[0].queenSquare[White], sq("d1"));
    SearchPly = 0;
    takeBackFromChild(SearchNodes[0], m);
}

// Long random lines from several positions, with game moves between them: at every node the
// accumulators equal the sums over the live pieces' current records, also after take-backs, and
// the records rebuilt there equal fresh ones.
TEST(GeneratorFigures, AccumulatorsMatchTheRecordsAlongRandomLines) {
    ScrambledPieceSquares scrambled;
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
        "r1bq1rk1/pp3ppp/2n1pn2/2pp4/2PP4/2NBPN2/PP3PPP/R2QK2R w KQ - 0 8",
        "6k1/1R3pp1/7p/8/8/6P1/r4P1P/6K1 w - - 0 30",
        "r3k2r/ppp2ppp/8/3pP3/8/8/PPP2PPP/R3K2R w KQkq d6 0 1",
        "4k3/1P4p1/8/3pP2P/6p1/8/1p3P2/4K3 w - d6 0 1",
    };
    std::mt19937 rng(20261209);
    for (const char* fen : fens) {
        ASSERT_TRUE(setup_fen(fen)) << fen;
        regenerate(uint8_t(rng() & 0xFF), 0);
        for (int round = 0; round < 6; ++round) {
            int budget = 400;
            random_line(SearchNodes[0], 58, rng, budget, fen);
            if (HasFatalFailure()) return;
            // A game move at node 0, regenerated in full as the game loop does.
            std::vector<MOVE> moves = legal_moves(SearchNodes[0]);
            if (moves.empty()) break;
            MOVE m = pick_move(moves, rng);
            int promotion = move_special(m) == MovePromotion ? move_promotion_type(m) : TypeQueen;
            ASSERT_NE(play_game_move(square_name(move_from(m)).c_str(),
                                     square_name(move_to(m)).c_str(), promotion),
                      0u);
            expect_accumulators(SearchNodes[0], std::string(fen) + " game move");
        }
    }
    GamePly = 0;
}

// The square-colour flags of the bishops follow promotions to a bishop and keep a shade that
// another bishop of the colour still holds.
TEST(GeneratorFigures, BishopSquareColoursFollowPromotionAndCaptures) {
    struct {
        const char *fen, *from, *to;
        int promotion, colour;
        uint8_t dark, light; // flags for (file + rank) even, odd
    } cases[] = {
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7", "b8", TypeBishop, White, 1, 0},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7", "a8", TypeBishop, White, 0, 1},
        {"4k3/8/8/8/8/8/6p1/4K3 b - - 0 1", "g2", "g1", TypeBishop, Black, 1, 0},
        // Two white bishops on the same shade (c1, e3): taking one leaves the shade marked.
        {"2r1k3/8/8/8/8/4B3/8/2B1K3 b - - 0 1", "c8", "c1", 0, White, 1, 0},
        // Taking the only bishop of a shade clears it.
        {"2r1k3/8/8/8/8/3B4/8/2B1K3 b - - 0 1", "c8", "c1", 0, White, 0, 1},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        MOVE m = find_move(SearchNodes[0], c.from, c.to, c.promotion ? c.promotion : TypeQueen);
        ASSERT_NE(m, 0u) << c.fen;
        SearchNode& child = playIntoChild(SearchNodes[0], m);
        EXPECT_EQ(PlyStates[1].bishopSquareColour[c.colour][0], c.dark) << c.fen;
        EXPECT_EQ(PlyStates[1].bishopSquareColour[c.colour][1], c.light) << c.fen;
        SearchPly = 1;
        updateMoves(child, m);
        expect_accumulators(child, c.fen);
        SearchPly = 0;
        takeBackFromChild(SearchNodes[0], m);
    }
}
