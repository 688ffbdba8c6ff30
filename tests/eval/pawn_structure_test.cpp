#include "eval/pawn_structure.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>

#include "board/fen_fixture.h"
#include "board/position.h"

namespace {

int square(const char* name) {
    return make_square(name[0] - 'a', name[1] - '1');
}

// Builds the few records evaluate_pawns reads: piece list, pawn bitboards, kings, rights,
// wings, phase and queens of ply state 0.
class PawnStructureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        init_board_rules_once();
        for (PieceEntry& p : PieceList) p = PieceEntry{};
        LastPieceIndex[White] = 15;
        LastPieceIndex[Black] = 31;
        PlyStates[0] = PlyState{};
        GamePly = 10;
        SearchPly = 0;
        next_slot_[White] = 0;
        next_slot_[Black] = 16;
        kings("e1", "e8");
    }
    void TearDown() override {
        GamePly = 0;
        PlyStates[0] = PlyState{};
        for (PieceEntry& p : PieceList) p = PieceEntry{};
    }

    PlyState& st() { return PlyStates[0]; }

    void kings(const char* white, const char* black) {
        const char* names[2] = {black, white};
        for (int c = 0; c < 2; ++c) {
            const int sq = square(names[c]);
            st().kingSquare[c] = uint8_t(sq);
            st().kingFile[c] = uint8_t(file_of(sq));
            st().kingRank[c] = uint8_t(rank_of(sq));
            st().castlingRights[c] = 0;
            st().kingWing[c] = file_of(sq) < 3 ? 8 : file_of(sq) < 5 ? 0 : 4;
        }
    }
    void rights(uint8_t white, uint8_t black) {
        st().castlingRights[White] = white;
        st().castlingRights[Black] = black;
        for (int c = 0; c < 2; ++c) {
            const int file = st().kingFile[c];
            st().kingWing[c] = file < 3 ? 8 : file < 5 ? st().castlingRights[c] : 4;
        }
    }
    void pawns(int colour, std::initializer_list<const char*> squares) {
        for (const char* name : squares) {
            PieceEntry& p = PieceList[next_slot_[colour]++];
            p.letter = LetterPawn;
            p.colour = uint8_t(colour);
            p.square = uint8_t(square(name));
            st().pawns[colour] |= square_bit(p.square);
            ++st().pawnCount[colour];
        }
    }
    int evaluate() {
        evaluate_pawns(SearchNodes[0]);
        return st().pawnScore;
    }
    std::array<int, 8> classes(int colour) {
        std::array<int, 8> out{};
        for (int f = 0; f < 8; ++f) out[f] = PawnFileInfo[colour][f].pawnClass;
        return out;
    }

    int next_slot_[2] = {16, 0};
};

TEST_F(PawnStructureTest, RammedCentrePawns) {
    pawns(White, {"e4"});
    pawns(Black, {"e5"});
    // Both pawns rammed and undefended on relative rank 3: class 3 each (-10 and +10), and
    // each weak (-10 and +10).
    EXPECT_EQ(evaluate(), 0);
    EXPECT_EQ(PawnFileInfo[White][4].pawnClass, 3);
    EXPECT_EQ(PawnFileInfo[Black][4].pawnClass, 3);
    EXPECT_EQ(PawnFileInfo[White][4].rammed, 1);
    EXPECT_EQ(PawnFileInfo[Black][4].rammed, 1);
    EXPECT_EQ(PawnFront[White][4], 3);
    EXPECT_EQ(PawnFront[Black][4], 4);
    EXPECT_EQ(pawn_file_mask(), 0xEF);

    // One rank further up, Black's pawn is on relative rank 1: class 4, worth nothing.
    SetUp();
    pawns(White, {"e5"});
    pawns(Black, {"e6"});
    EXPECT_EQ(evaluate(), -10);
    EXPECT_EQ(PawnFileInfo[White][4].pawnClass, 3);
    EXPECT_EQ(PawnFileInfo[Black][4].pawnClass, 4);
    st().phase = 1;
    EXPECT_EQ(evaluate(), -5);
}

TEST_F(PawnStructureTest, ConnectedPassersInTheEndgame) {
    st().phase = 2;
    pawns(White, {"d5", "e5"});
    kings("e1", "h8");
    const int score = evaluate();
    EXPECT_EQ(PawnFileInfo[White][3].pawnClass, 15);
    EXPECT_EQ(PawnFileInfo[White][4].pawnClass, 15);
    EXPECT_EQ(st().passedCount[White], 2);
    EXPECT_EQ(st().passedCount[Black], 0);
    EXPECT_EQ(st().topPasser[White], square("d5"));
    EXPECT_EQ(st().topPasser[Black], 63);
    // T = (180 - 90) / 2 + 90 = 135; the king race from d6: white king 5 steps, black king 4.
    EXPECT_EQ(score, 135 + 70 - 10 * (5 + 4));

    kings("d4", "h8"); // white king nearer to d6: 270 - 10 * 2
    EXPECT_EQ(evaluate(), 135 + 270 - 20);
}

TEST_F(PawnStructureTest, BlacksKingRaceNeedsTwoPassers) {
    // White's single passer c5 (100) races the black king to c6: 5 steps each, 70 - 10 * 10.
    st().phase = 2;
    pawns(White, {"c5"});
    kings("g1", "h8");
    EXPECT_EQ(evaluate(), 100 + 70 - 100);

    // The mirrored single black passer has no race term.
    SetUp();
    st().phase = 2;
    pawns(Black, {"c4"});
    kings("h1", "g8");
    EXPECT_EQ(evaluate(), -100);

    // Two black passers a4 and c4: T = (-200 + 100) / 2 - 100 = -150; the race to a3 from the
    // black king on g8 (6 steps) against the white king on h1 (7): 270 - 60.
    SetUp();
    st().phase = 2;
    pawns(Black, {"a4", "c4"});
    kings("h1", "g8");
    EXPECT_EQ(evaluate(), -150 - 210);
}

TEST_F(PawnStructureTest, PassedPawnsOfBothColours) {
    st().phase = 2;
    pawns(White, {"b6", "g2"});
    pawns(Black, {"e3", "e4", "h6"});
    kings("a1", "a8");
    evaluate();
    // b6 and e3 (the front of the doubled e-pawns) are passed; g2 and h6 stop each other.
    EXPECT_EQ(classes(White), (std::array<int, 8>{0, 13, 0, 0, 1, 0, 11, 1}));
    EXPECT_EQ(classes(Black), (std::array<int, 8>{0, 1, 0, 0, 13, 0, 1, 11}));
    EXPECT_EQ(st().passedCount[White], 1);
    EXPECT_EQ(st().passedCount[Black], 1);
    EXPECT_EQ(st().topPasser[White], square("b6"));
    EXPECT_EQ(st().topPasser[Black], square("e3"));
}

TEST_F(PawnStructureTest, ClassesOfBlockedAndBackwardPawns) {
    pawns(White, {"c3", "d4", "f3", "g3", "a2"});
    pawns(Black, {"d5", "f6", "g6", "a7"});
    evaluate();
    // c3: unopposed, unsupported, d5 guards c4 -> 12. d4: rammed and defended -> 2.
    // f3/g3 side by side against f6/g6 -> 5. a2 against a7 unsupported, rr 1 -> 8.
    EXPECT_EQ(classes(White), (std::array<int, 8>{8, 0, 12, 2, 0, 5, 5, 0}));
    // d5: rammed, undefended, rr 3 -> 3; c-file: only White has pawns -> 1.
    EXPECT_EQ(classes(Black), (std::array<int, 8>{8, 0, 1, 3, 0, 5, 5, 0}));
}

TEST_F(PawnStructureTest, DoubledPawns) {
    st().phase = 1;
    pawns(White, {"c2", "c3"});
    pawns(Black, {"b6"});
    // c3: unopposed, held back by b6, alone (class 11, -6), weak (-10), doubled (-12) and
    // undefended on a file without enemy pawns (-10). b6 likewise: class 11 and weak (+16).
    EXPECT_EQ(evaluate(), -6 - 10 - 12 - 10 + 6 + 10);
    EXPECT_EQ(PawnFileInfo[White][2].pawnClass, 11);
    EXPECT_EQ(PawnFileInfo[White][2].count, 2);

    // A doubled passed pawn pays 70 for each pawn behind the front one.
    SetUp();
    st().phase = 1;
    pawns(White, {"c2", "c3"});
    EXPECT_EQ(evaluate(), -12 - 10 - 70 + 10);
    EXPECT_EQ(PawnFileInfo[White][2].pawnClass, 13);
}

TEST_F(PawnStructureTest, CastleScores) {
    struct Case {
        const char* name;
        uint8_t rightsW, rightsB;
        const char* whiteKing;
        const char* blackKing;
        std::initializer_list<const char*> white, black;
        int castleW, castleB;
    };
    const Case cases[] = {
        {"short, f2 g2 h2", 4, 3, "g1", "e8", {"f2", "g2", "h2"}, {}, 40, 0},
        {"short, h2 g3", 4, 3, "g1", "e8", {"h2", "g3"}, {}, 30, 0},
        {"short, f2 g3 without h2", 4, 3, "g1", "e8", {"f2", "g3"}, {}, 30, 0},
        {"short, bare", 4, 3, "h1", "e8", {}, {}, 0, 0},
        {"short, king wandered", 4, 3, "f2", "e8", {"f3", "g2", "h2"}, {}, 10, 0},
        {"long, sheltered", 8, 0, "b1", "e8", {"a3", "b2", "c2"}, {}, 20, 60},
        {"long, king on d1", 8, 1, "d1", "e8", {"a2", "b2", "c3"}, {}, 10, 10},
        {"rights", 1, 2, "e1", "e8", {}, {}, -10, 40},
        {"none and both", 0, 3, "e1", "e8", {}, {}, -60, 0},
        {"black short", 2, 4, "e1", "g8", {}, {"f7", "g7", "h7"}, -40, -40},
        {"black h6 g6", 3, 4, "e1", "g8", {}, {"h6", "g6"}, 0, -30},
        {"black h6 g5", 3, 4, "e1", "h8", {}, {"h6", "g5"}, 0, -15},
        {"black f7 g6", 3, 4, "e1", "g8", {}, {"f7", "g6"}, 0, -30},
        {"black king wandered", 3, 4, "e1", "e7", {}, {"f7", "g7", "h7"}, 0, -10},
        {"black long", 3, 8, "e1", "c8", {}, {"a6", "b7", "c7"}, 0, -20},
        {"black long, king off", 3, 8, "e1", "d7", {}, {"a7", "b7", "c6"}, 0, -10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        kings(c.whiteKing, c.blackKing);
        rights(c.rightsW, c.rightsB);
        pawns(White, c.white);
        pawns(Black, c.black);
        evaluate();
        EXPECT_EQ(st().castleScore[White], c.castleW);
        EXPECT_EQ(st().castleScore[Black], c.castleB);
    }
}

TEST_F(PawnStructureTest, CastleScoresFadeLateAndWithoutTheEnemyQueen) {
    kings("g1", "e8");
    rights(4, 0);
    pawns(White, {"f2", "g2", "h2"});
    GamePly = 60;
    evaluate();
    EXPECT_EQ(st().castleScore[White], 40);
    GamePly = 55;
    SearchPly = 6; // 61 plies from the start of the game
    evaluate();
    EXPECT_EQ(st().castleScore[White], 0);
    EXPECT_EQ(st().castleScore[Black], 0);
    SearchPly = 0;

    st().phase = 2;
    evaluate();
    EXPECT_EQ(st().castleScore[White], 0);

    st().phase = 0;
    st().queenLost[Black] = 1;
    evaluate();
    EXPECT_EQ(st().castleScore[White], 20);
    EXPECT_EQ(st().castleScore[Black], 60);
    st().phase = 1;
    evaluate();
    EXPECT_EQ(st().castleScore[White], 0);
    st().queenLost[White] = 1;
    evaluate();
    EXPECT_EQ(st().castleScore[Black], 0);
    SearchPly = 0;
}

TEST_F(PawnStructureTest, OpenLinesNearAKingFacingAQueen) {
    rights(4, 0);
    st().kingShelter[3 * White + 0] = 1;
    st().kingShelter[3 * White + 1] = 2;
    st().kingShelter[3 * Black + 1] = 1;
    evaluate();
    EXPECT_EQ(st().openLineDanger[White], 0); // no black queen
    EXPECT_EQ(st().openLineDanger[Black], 0);

    st().queenCount[Black] = 1;
    st().queenCount[White] = 1;
    evaluate();
    EXPECT_EQ(st().openLineDanger[White], -10 * (3 + 2));
    EXPECT_EQ(st().openLineDanger[Black], 5 * (1 + 4));

    rights(4, 3); // black can still castle: its lines do not count
    evaluate();
    EXPECT_EQ(st().openLineDanger[Black], 0);
}

TEST_F(PawnStructureTest, WeakPawnsAreCounted) {
    pawns(White, {"b3", "d3", "f3"});
    pawns(Black, {"b6", "c6", "d6", "e6", "f6", "g6"});
    evaluate();
    EXPECT_EQ(classes(White), (std::array<int, 8>{0, 8, 1, 8, 1, 8, 1, 0}));
    EXPECT_EQ(classes(Black), (std::array<int, 8>{0, 5, 10, 5, 10, 5, 10, 0}));
    // Opposed, unsupported, relative rank 2: class 8 (-2) each; the half-open c, e and g files
    // give White 2 each; three weak pawns cost 80. Black's pawns stand side by side: not weak.
    EXPECT_EQ(st().pawnScore, -3 * 2 + 3 * 2 - 80);
}

TEST_F(PawnStructureTest, KingsOnOppositeWingsFavourStorms) {
    kings("c1", "g8");
    rights(8, 4);
    st().queenCount[White] = 1;
    st().queenCount[Black] = 1;
    pawns(White, {"a2", "b2", "c2", "g4", "h4"});
    pawns(Black, {"a7", "b7", "c7", "f7", "g7"});
    evaluate();
    // White: files a-c opposed side-by-side pawns (class 5, 0); f: class 1 (2 + 10 storm);
    // g, h: g4/h4 against g7 (g opposed, class 5; h unopposed side by side, class 10: 0).
    // Files d, e empty: nothing for White (storm values are on f-h for a queen-side king).
    // Black: a-c class 5; f7 class 11? no: unopposed, e-file empty; f7 sideBySide g7 -> 10.
    // Black's h-file: class 1 -> 2 + nothing (its storm files are a-c); d, e empty: 0.
    EXPECT_EQ(classes(White), (std::array<int, 8>{5, 5, 5, 0, 0, 1, 5, 10}));
    EXPECT_EQ(classes(Black), (std::array<int, 8>{5, 5, 5, 0, 0, 10, 5, 1}));
    EXPECT_EQ(st().pawnScore, 12 - 2);

    // Open g- and h-files against Black's king (25, 35), half-open f-file (2 + 10); Black's
    // f7 is a passer on relative rank 1 (-5). Without White's queen the storm terms vanish.
    SetUp();
    kings("c1", "g8");
    rights(8, 4);
    st().queenCount[White] = 1;
    pawns(White, {"a2", "b2", "c2"});
    pawns(Black, {"a7", "b7", "c7", "f7"});
    EXPECT_EQ(evaluate(), 25 + 35 + 12 - 5);
    st().queenCount[White] = 0;
    EXPECT_EQ(evaluate(), 2 - 5);
}

TEST(PawnStructureGameTest, CastledKingBehindItsPawnsFromAPlayedGame) {
    ASSERT_TRUE(setup_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    const char* moves[][2] = {{"e2", "e4"}, {"e7", "e5"}, {"g1", "f3"}, {"b8", "c6"},
                              {"f1", "c4"}, {"g8", "f6"}, {"e1", "g1"}};
    for (const auto& m : moves) ASSERT_NE(play_game_move(m[0], m[1]), 0u) << m[0] << m[1];
    evaluate_pawns(SearchNodes[0]);
    EXPECT_EQ(PlyStates[0].castlingRights[White], CastledKingSide);
    EXPECT_EQ(PlyStates[0].castleScore[White], 40);
    EXPECT_EQ(PlyStates[0].castleScore[Black], 0);
    // The rammed e-pawns: class 3 each.
    EXPECT_EQ(PawnFileInfo[White][4].pawnClass, 3);
    EXPECT_EQ(PawnFileInfo[Black][4].pawnClass, 3);
    GamePly = 0;
}

} // namespace
