#include "eval/evaluate.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "eval/game_position.h"
#include "eval/hand_position.h"

namespace {

// Middlegame material: White queen, rook and two bishops against queen, rook and two knights
// (M = +20). White's bishop pair is worth +40 since Black has both knights.
constexpr const char* MiddlegamePieces = "Ke1 Qd1 Ra1 Bc1 Bf1 ke8 qd8 ra8 nb8 ng8";

} // namespace

TEST(Evaluate, LazyCutOffDropsThePositionalTermsBeyond500) {
    struct Case {
        int16_t pawnScore;
        int16_t expected;
    };
    // Bs = 20 + pawnScore / 2. Within the limit: BP 40 + CS 10 + MB 50*85/85 = 100 more.
    const Case cases[] = {{960, 600}, {962, 501}, {-1040, -400}, {-1042, -501}};
    for (const Case& c : cases) {
        HandPosition pos(MiddlegamePieces);
        ASSERT_EQ(pos.state().phase, 0);
        pos.state().pawnScore = c.pawnScore;
        pos.state().mobilityTotal = 85;
        pos.state().castleScore[White] = 10;
        PlyStates[0] = pos.state();
        EXPECT_EQ(evaluate(pos.node()), c.expected) << "pawnScore " << c.pawnScore;
    }
}

TEST(Evaluate, PositionalSumFadesAfterTenReversiblePliesAndIsClamped) {
    struct Case {
        int16_t squareValueTotal;
        int16_t reversiblePlies;
        int16_t expected; // 20 (material) + faded (BP 40 + squareValueTotal / 4)
    };
    const Case cases[] = {
        {240, 0, 120}, {240, 10, 120}, {240, 11, 132},   {240, 16, 70},    {240, 20, 20},
        {240, 30, 20}, {1200, 0, 220}, {-1200, 0, -180}, {-760, 13, -112}, // (7 * -150) >> 3 floors
                                                                           // to -132
    };
    for (const Case& c : cases) {
        HandPosition pos(MiddlegamePieces);
        pos.state().squareValueTotal = c.squareValueTotal;
        GamePly = c.reversiblePlies;
        pos.state().lastIrreversible = 0;
        PlyStates[0] = pos.state();
        EXPECT_EQ(evaluate(pos.node()), c.expected)
            << c.squareValueTotal << " after " << c.reversiblePlies << " plies";
    }
}

TEST(Evaluate, TrappedBishopCostsOnlyWhenItWentThereInTheLine) {
    // White bishop on a7 behind black pawns c7 and b6, three plies into the search.
    const char* pieces = "Ke1 Qd1 Ra1 Ba7 Nb1 ke8 qd8 ra8 nb8 pc7 pb6";
    HandPosition base(pieces, White, 3);
    int16_t untouched = evaluate(base.node());

    HandPosition quiet(pieces, White, 3);
    const MOVE toA7 = make_square(1, 5) << MoveFromShift | make_square(0, 6);
    MoveAtPly[0] = MoveAtPly[2] = 0;
    MoveAtPly[1] = toA7;
    SearchNodes[2].attackMapsValid = 1;
    SearchNodes[2].checkState = 0;
    EXPECT_EQ(evaluate(quiet.node()), untouched - 100);

    SearchNodes[2].checkState = LetterBishop;
    EXPECT_EQ(evaluate(quiet.node()), untouched - 30);

    // Played before the search began (from the game position): no cost.
    MoveAtPly[0] = MoveAtPly[1];
    MoveAtPly[1] = 0;
    EXPECT_EQ(evaluate(quiet.node()), untouched);
    MoveAtPly[0] = 0;
}

TEST(Evaluate, TrappedBishopAtAnUngeneratedNodeReadsTheCheckFromTheBoard) {
    // The bishop went to a7 with the last move; the node's own check state is another
    // position's until its moves are generated. The cost is 30 only when a bishop alone checks,
    // as the generated check state would say.
    const MOVE toA7 = make_square(2, 4) << MoveFromShift | make_square(0, 6);
    const struct {
        const char* pieces;
        uint8_t staleCheckState;
        int cost;
    } cases[] = {
        {"Ke1 Qd1 Ra1 Ba7 Nb1 ke8 qd8 ra8 nb8 pc7 pb6", LetterBishop, 100}, // no check
        {"Ke1 Qd1 Ra1 Ba7 Nb1 kb8 qd8 rh8 pc7 pb6", 0, 30},                 // check on b8
        {"Ke1 Qd1 Ra1 Ba7 Ba3 ke7 qd8 rh8 pc7 pb6", 0, 30}, // uncovered: the a3 bishop checks
        {"Ke1 Qd1 Ra1 Ba7 Nc6 kb8 qd8 rh8 pc7 pb6", LetterBishop, 100}, // double check
        {"Ke1 Qd1 Ra1 Ba7 Nc6 kd8 qh8 rg8 pc7 pb6", LetterBishop, 100}, // a knight's check
    };
    for (const auto& c : cases) {
        HandPosition pos(c.pieces, Black, 2);
        ASSERT_EQ(pos.state().phase, 0) << c.pieces;
        const int16_t untouched = evaluate(pos.node());
        MoveAtPly[1] = toA7;
        pos.node().checkState = c.staleCheckState;
        pos.node().attackMapsValid = 0;
        EXPECT_EQ(evaluate(pos.node()), untouched - c.cost) << c.pieces;
        MoveAtPly[1] = 0;
    }
}

TEST(Evaluate, DevelopmentLeadReadsThePlacementSumsAsSignedBytes) {
    // White fully developed (0), Black with nine undeveloped units (247 = -9): White leads by
    // 9, one more as White is to move: 75, halved when White is also the root side.
    HandPosition pos(MiddlegamePieces);
    pos.state().placementTotal[White] = 0;
    pos.state().placementTotal[Black] = 247;
    PlyStates[0] = pos.state();
    int16_t without = evaluate(pos.node());
    standard_start = 1;
    root_side = -1;
    EXPECT_EQ(evaluate(pos.node()), without + 75);
    root_side = 1;
    EXPECT_EQ(evaluate(pos.node()), without + 37);
    standard_start = 0;
}

TEST(Evaluate, BareKingVerdicts) {
    // Rook against bare king (phase 2): 500 + 2 * KA(-29) - 100 (no pawns) = 342, then +/- 200.
    expect_scores(
        {
            {"Ke1 Ra1 ke8", White, 542},
            {"Ke1 ke8 ra8", Black, -542},
            {"Ke1 Nb1 Ng1 ke8", White, 0},
            {"Ke1 Bc1 ke8", White, 0},
            {"Ke1 ke8 bf8", Black, 0},
        },
        evaluate);
}

TEST(MaterialDrawClass, ClassifiesTheMaterialBalance) {
    expect_scores(
        {
            {"Ke1 ke8", White, 4},
            {"Ke1 Ra1 ke8", White, 5},
            {"Ke1 Qd1 ke8", White, 5},
            {"Ke1 Bc1 Nb1 ke8", White, 5},
            {"Ke1 ke8 ra8", White, 6},
            {"Ke1 Nb1 Ng1 ke8", White, 4},
            {"Ke1 Bc1 ke8", White, 4},
            {"Ke1 Nb1 ke8", White, 4},
            {"Ke1 Ra1 ke8 bc8", White, 3},
            {"Ke1 Qd1 ke8 ra8", White, 0},
            {"Ke1 Ra1 Pe4 ke8 ra8", White, 1},
            {"Ke1 Pe4 ke8 bc8", White, 1},
            {"Ke1 ke8 pe5", White, 2},
            {"Ke1 Bc1 ke8 pe5", White, 2},
            {"Ke1 Nb1 Ng1 ke8 pe5", White, 2},
            {"Ke1 Ra1 Pa2 Pb2 ke8 ra8 pa7", White, 0},
        },
        [](SearchNode& node) { return int16_t(material_draw_class(node)); });
}

TEST(MaterialDrawClass, AppliedToAScore) {
    struct Case {
        int16_t score;
        int drawClass;
        int16_t expected;
    };
    const Case cases[] = {
        {50, 1, 50}, {-64, 1, 24},  {-50, 2, -50}, {64, 2, -24}, {-17, 3, -2},
        {300, 4, 0}, {300, 5, 500}, {300, 6, 100}, {77, 0, 77},
    };
    for (const Case& c : cases)
        EXPECT_EQ(apply_draw_class(c.score, c.drawClass), c.expected)
            << c.score << " class " << c.drawClass;
}

TEST(Evaluate, BlockedPawnsOnlySideScoresZero) {
    // Black: king a8 hemmed in by attacks on b7 and b8, pawns a7 and b6 stuck behind white pawns.
    const char* pieces = "Kg1 Qd1 Rf1 Pa6 Pb5 ka8 pa7 pb6";
    const Bitboard whiteAttacks = square_bit(square_named("b7")) | square_bit(square_named("b8"));
    for (uint8_t side : {White, Black}) {
        HandPosition pos(pieces, side);
        ASSERT_EQ(pos.state().phase, 1);
        pos.node().attackMapsValid = 1;
        (side == White ? pos.node().ownAttacks : pos.node().enemyAttacks) = whiteAttacks;
        for (int slot = 16; slot < 32; ++slot)
            if (PieceList[slot].letter == LetterPawn) PieceList[slot].moves->mobilityCount = 0;
        EXPECT_TRUE(pawns_only_side_blocked(pos.node(), Black));
        EXPECT_EQ(evaluate(pos.node()), 0);

        pos.node().checkState = LetterQueen;
        EXPECT_FALSE(pawns_only_side_blocked(pos.node(), Black));
        pos.node().checkState = 0;

        // Maps and move lists left from another position tell nothing about this one.
        pos.node().attackMapsValid = 0;
        EXPECT_FALSE(pawns_only_side_blocked(pos.node(), Black));
        pos.node().attackMapsValid = 1;

        PieceList[Board[square_named("b6")].slot].moves->mobilityCount = 1;
        EXPECT_FALSE(pawns_only_side_blocked(pos.node(), Black));
        EXPECT_GT(evaluate(pos.node()), 1000);
    }
}

TEST(Evaluate, BlockedRookPawnOnItsFifthRankKeepsItsEnPassantEntry) {
    HandPosition pos("Kd1 Qd4 Pa3 kh8 pa4");
    pos.node().attackMapsValid = 1;
    pos.node().ownAttacks = square_bit(square_named("g8")) | square_bit(square_named("g7")) |
                            square_bit(square_named("h7"));
    PieceMoveRecord* pawn = PieceList[Board[square_named("a4")].slot].moves;
    pawn->mobilityCount = 1;
    EXPECT_TRUE(pawns_only_side_blocked(pos.node(), Black));
    pawn->mobilityCount = 2;
    EXPECT_FALSE(pawns_only_side_blocked(pos.node(), Black));
    // A king with a safe square is never blocked.
    pawn->mobilityCount = 1;
    pos.node().ownAttacks &= ~square_bit(square_named("g7"));
    EXPECT_FALSE(pawns_only_side_blocked(pos.node(), Black));
}

TEST(KingActivity, DrivesTheWeakKingToTheEdgeWithoutPawns) {
    // Root king distance 4. d4 against a8: E = 2 * (4 * 7 + 7) = 70, 70 - 2 * 4 - 4 = 58.
    // d4 against e6: E = 2 * (4 * 3 + 1) = 26, 26 - 2 * 2 - 4 = 18.
    expect_scores(
        {
            {"Kd4 Ra1 ka8", White, 58},
            {"kd4 ra1 Ka8", White, -58},
            {"Kd4 Ra1 ke6", White, 18},
            {"Kd4 ka8", White, 0},
            // With pawns: table values, e4 (+20 +15) and d6 (-10 -15).
            {"Ke4 Pa2 kd6", White, 10},
            {"Ke4 Qd1 Pa2 kd6 qd8", White, 10},
        },
        [](SearchNode& node) {
            root_king_distance = 4;
            return king_activity(node);
        });
    HandPosition middlegame(MiddlegamePieces);
    EXPECT_EQ(king_activity(middlegame.node()), 0);
}

TEST(Evaluate, FreePathOfAnAdvancedPasserCountsDoubleInTheEndgame) {
    struct Case {
        const char* pieces;
        Bitboard whiteAttacks, blackAttacks;
        int fp;
    };
    const Bitboard e7 = square_bit(square_named("e7"));
    const Case cases[] = {
        {"Kc1 Rh1 Pe6 ka3 rh8", 0, 0, 40},  // both squares free: (20 + 20) >> 1, doubled
        {"Kc1 Rh1 Pe6 ka3 re8", 0, 0, 0},   // a black rook on e8
        {"Kc1 Rh1 Pe6 ka3 rh8", e7, 0, 50}, // e7 also covered by White
        {"Kc1 Rh1 Pe6 ka3 rh8", 0, e7, 20}, // e7 covered by Black
        {"Kh6 Rh8 ka1 ra8 pd3", 0, 0, -40}, // Black's mirror
    };
    for (const Case& c : cases) {
        HandPosition pos(c.pieces);
        pos.with_passers();
        int16_t without = evaluate(pos.node());
        pos.node().attackMapsValid = 1;
        pos.node().ownAttacks = c.whiteAttacks;
        pos.node().enemyAttacks = c.blackAttacks;
        EXPECT_EQ(evaluate(pos.node()) - without, c.fp) << c.pieces;
    }
}

TEST(Evaluate, TransitionPhaseEndingsAreScaled) {
    struct Case {
        const char* pieces;
        int16_t pawnScore, openLineDanger;
        int16_t expected;
    };
    const Case cases[] = {
        // Opposite-coloured bishops with rooks: 100 pulled halfway to 0.
        {"Ke1 Ra1 Bc1 Pa2 Pb2 ke8 ra8 bc8 pa7", 0, 0, 50},
        // Rook ending a pawn up, no passers: halved with the defending king on the d-file
        // (100 - 15 for the kings = 85, 42), untouched on the g-file (100).
        {"Kg1 Ra1 Rf1 Pf2 Pg2 Ph2 kd8 ra8 rh8 pg7 ph7", 0, 0, 42},
        {"Kg1 Ra1 Rf1 Pf2 Pg2 Ph2 kg8 ra8 rh8 pg7 ph7", 0, 0, 100},
        // Queens only: base halved (40 -> 20), +200 for White's passer on d6 four ranks ahead
        // of Black's on a7, unless White's king lines are open.
        {"Kg1 Qd1 Pf2 Pg2 Ph2 Pd6 kg8 qb8 pf7 pg7 ph7 pa7", 40, 0, 220},
        {"Kg1 Qd1 Pf2 Pg2 Ph2 Pd6 kg8 qb8 pf7 pg7 ph7 pa7", 40, -20, 0},
    };
    for (const Case& c : cases) {
        HandPosition pos(c.pieces);
        pos.with_passers();
        ASSERT_EQ(pos.state().phase, 1) << c.pieces;
        pos.state().pawnScore = c.pawnScore;
        pos.state().openLineDanger[White] = c.openLineDanger;
        PlyStates[0] = pos.state();
        EXPECT_EQ(evaluate(pos.node()), c.expected) << c.pieces;
    }
}

namespace {

// The same position with colours exchanged: ranks mirrored, cases swapped, the other side to
// move, castling letters swapped.
std::string colour_flipped(const std::string& fen) {
    std::istringstream in(fen);
    std::string placement, side, castling, ep;
    in >> placement >> side >> castling >> ep;
    std::vector<std::string> ranks;
    std::stringstream rows(placement);
    for (std::string row; std::getline(rows, row, '/');) ranks.insert(ranks.begin(), row);
    std::string flipped;
    for (const std::string& row : ranks) {
        if (!flipped.empty()) flipped += '/';
        for (char ch : row) flipped += std::isalpha(ch) ? char(ch ^ 0x20) : ch;
    }
    for (char& ch : castling)
        if (ch != '-') ch = char(ch ^ 0x20);
    if (ep != "-") ep[1] = char('1' + '8' - ep[1]);
    return flipped + (side == "w" ? " b " : " w ") + castling + " " + ep;
}

} // namespace

TEST(EvaluateGamePosition, ColourFlippedPositionsScoreTheOpposite) {
    // Not in this list: endings where one side alone has a single passed pawn, since the king
    // race of the pawn structure counts one white passer but two black ones
    // (PawnStructureTest.BlacksKingRaceNeedsTwoPassers).
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
        "r4rk1/pp2bppp/2n1pn2/3p4/3P1B2/2N2N2/PP2PPPP/2R2RK1 w - - 0 1",
        "8/5pk1/6p1/8/3R4/6P1/r4PK1/8 w - - 0 1",
        "8/8/4k3/3p4/3P4/4K3/8/8 w - - 0 1",
        "8/1p6/8/3k4/8/4K3/6P1/8 w - - 0 1",
        "8/8/2k5/4p3/8/3NK3/8/8 b - - 0 1",
        "6k1/5p2/8/3B4/8/P7/1P3PK1/8 w - - 0 1",
        "4r1k1/5ppp/8/1P6/8/8/P4PPP/2R3K1 b - - 0 1",
        "2b3k1/5pp1/8/P7/8/1P3B2/5PP1/6K1 w - - 0 1",
    };
    for (const char* fen : fens) {
        ASSERT_TRUE(setup_game_position(fen)) << fen;
        root_side = int8_t(colour_sign(SideToMove));
        int16_t score = evaluate(SearchNodes[0]);
        std::string flipped = colour_flipped(fen);
        ASSERT_TRUE(setup_game_position(flipped.c_str())) << flipped;
        root_side = int8_t(colour_sign(SideToMove));
        // The shifts floor, so a halved or scaled negative term may be one lower than its mirror.
        EXPECT_NEAR(evaluate(SearchNodes[0]), -score, 1) << fen << " / " << flipped;
    }
}

TEST(EvaluateGamePosition, RecognisedEndings) {
    struct Case {
        const char* fen;
        int16_t expected;
    };
    const Case cases[] = {
        {"8/8/4k3/8/4K3/4P3/8/8 w - - 0 1", 10},  // the defender holds the ranks in front
        {"3k4/8/8/8/8/2KP4/8/8 b - - 0 1", 10},   // kings five ranks apart, defender to move
        {"k7/8/8/P7/2K5/8/8/8 w - - 0 1", 10},    // rook pawn, king in the corner
        {"7k/7p/7P/8/8/8/8/4K1R1 w - - 0 1", 0},  // Black cannot move: blocked
        {"7k/7p/7P/8/8/8/8/4K1R1 b - - 0 1", 0},  // whoever is to move
        {"8/8/8/4k3/8/8/8/2B1K3 w - - 0 1", 0},   // lone bishop
        {"8/8/8/4k3/8/8/8/1N2K1N1 w - - 0 1", 0}, // two knights
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(setup_game_position(c.fen)) << c.fen;
        int16_t score = evaluate(SearchNodes[0]);
        EXPECT_EQ(score, c.expected) << c.fen;
    }
}

TEST(EvaluateGamePosition, RookAndFourPawnsAgainstRookIsNoDraw) {
    // The balance of a rook against a lone pawn (400) is also that of a rook and four pawns
    // against a rook; the rook-against-pawn rule (its king beside the pawn, the other king far
    // off) must not make that a near draw, for either colour or side to move. Nothing else in
    // these endings depends on the side to move.
    const struct {
        const char* placement;
        int strong; // the side with the pawns
    } endings[] = {
        {"8/7r/2PK4/8/8/7k/PP5P/4R3", 1},
        {"4r3/pp5p/7K/8/8/2pk4/7R/8", -1},
    };
    for (const auto& e : endings) {
        const std::string whiteToMove = std::string(e.placement) + " w - - 0 1";
        const std::string blackToMove = std::string(e.placement) + " b - - 0 1";
        ASSERT_TRUE(setup_game_position(whiteToMove.c_str())) << whiteToMove;
        const int white = evaluate(SearchNodes[0]);
        ASSERT_TRUE(setup_game_position(blackToMove.c_str())) << blackToMove;
        const int black = evaluate(SearchNodes[0]);
        EXPECT_GT(white * e.strong, 300) << whiteToMove;
        EXPECT_EQ(black, white) << e.placement;
    }
}

TEST(EvaluateGamePosition, RookAgainstAPawnItsKingSupports) {
    // A rook against a lone pawn on its own half (Black: rank 4 or lower; White: rank 5 or
    // higher) with the pawn's king beside it returns the pawn's rank (White's pawn: rank - 7)
    // when the rook's king is at least three moves further from the queening square than the
    // pawn's king, a move counted for the side to move. Otherwise the rook side keeps its
    // material lead (recognised = false).
    const struct {
        const char* fen;
        bool recognised;
        int16_t value;
    } cases[] = {
        {"7K/8/8/8/8/2pk4/8/R7 w - - 0 1", true, 2},
        {"7K/8/8/8/8/2pk4/8/R7 b - - 0 1", true, 2},
        {"7K/8/8/8/2pk4/8/8/R7 w - - 0 1", true, 3},
        {"8/8/7K/8/8/2pk4/8/R7 b - - 0 1", true, 2},   // h6: five moves from c1
        {"8/8/7K/8/8/2pk4/8/R7 w - - 0 1", false, 0},  // ... four with White to move
        {"7K/8/8/2pk4/8/8/8/R7 w - - 0 1", false, 0},  // the pawn on its fifth rank
        {"7K/8/8/8/8/2p5/8/R3k3 w - - 0 1", false, 0}, // its king not beside it
        {"r7/8/2PK4/8/8/8/8/7k b - - 0 1", true, -2},
        {"r7/8/2PK4/8/8/8/8/7k w - - 0 1", true, -2},
        {"r7/8/8/2PK4/8/8/8/7k b - - 0 1", true, -3},
        {"r7/8/2PK4/8/8/7k/8/8 w - - 0 1", true, -2},
        {"r7/8/2PK4/8/8/7k/8/8 b - - 0 1", false, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_game_position(c.fen)) << c.fen;
        const int score = evaluate(SearchNodes[0]);
        if (c.recognised) {
            EXPECT_EQ(score, c.value) << c.fen;
        } else {
            const int rookSide = PlyStates[0].material > 0 ? 1 : -1;
            EXPECT_GT(score * rookSide, 300) << c.fen;
        }
    }
}

TEST(EvaluateGamePosition, WrongBishopKeepsAHundredAndTwentyEighthOfTheScore) {
    ASSERT_TRUE(setup_game_position("k7/8/1K6/P7/8/8/8/3B4 w - - 0 1"));
    int16_t right = evaluate(SearchNodes[0]);
    ASSERT_TRUE(setup_game_position("k7/8/1K6/P7/8/8/8/2B5 w - - 0 1"));
    EXPECT_GT(right, 500);
    EXPECT_EQ(evaluate(SearchNodes[0]), right >> 7);
}
