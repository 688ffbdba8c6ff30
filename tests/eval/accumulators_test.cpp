#include <gtest/gtest.h>

#include "board/position.h"
#include "eval/prepare.h"
#include "shell/settings.h"

namespace {

TEST(GamePhaseTest, FromNonPawnMaterial) {
    const int cases[][3] = {{0, 0, 3},   {1001, 1001, 0}, {1000, 1001, 1}, {501, 0, 1},
                            {0, 501, 1}, {500, 500, 2},   {320, 0, 2},     {1900, 330, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(game_phase(uint16_t(c[0]), uint16_t(c[1])), c[2]) << c[0] << " " << c[1];
}

// Hand-made pieces with move records: the recount sums the records' figures with the sign of
// their colour and recounts material from the live entries.
class RefreshAccumulatorsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        initSearchNodes();
        for (PieceEntry& p : PieceList) p = PieceEntry{};
        PlyStates[0] = PlyState{};
        SearchPly = 0;
        LastPieceIndex[White] = 15;
        LastPieceIndex[Black] = 31;
    }
    void TearDown() override {
        for (PieceEntry& p : PieceList) p = PieceEntry{};
        PlyStates[0] = PlyState{};
        SearchPly = 0;
    }
    void put(int slot, uint8_t letter, int colour, PieceMoveRecord rec) {
        records_[slot] = rec;
        PieceEntry& p = PieceList[slot];
        p.letter = letter;
        p.colour = uint8_t(colour);
        p.sign = int8_t(colour_sign(colour));
        p.value = int16_t(colour_sign(colour) * PieceValue[letter_type(letter)]);
        p.moves = &records_[slot];
    }
    static PieceMoveRecord rec(int mobilityCount, int mobilityScore, int squareValue, int extra,
                               int placement, int canPromote = 0) {
        PieceMoveRecord r{};
        r.mobilityCount = uint8_t(mobilityCount);
        r.mobilityScore = int8_t(mobilityScore);
        r.squareValue = int8_t(squareValue);
        r.extra = int8_t(extra);
        r.placementFlag = uint8_t(placement);
        r.canPromote = uint8_t(canPromote);
        return r;
    }

    PieceMoveRecord records_[32] = {};
};

TEST_F(RefreshAccumulatorsTest, RecountsFromLivePiecesAndRecords) {
    put(8, LetterKing, White, rec(2, 0, 20, 0, 0));
    put(1, LetterQueen, White, rec(20, -10, 30, 15, 0));
    put(2, LetterPawn, White, rec(1, 0, 100, 0, 0, 1));
    put(3, LetterKnight, White, rec(4, -6, -70, 0, 255));
    put(25, LetterKing, Black, rec(3, 2, -20, 0, 255));
    put(17, LetterRook, Black, rec(7, -10, -40, 25, 254));
    put(18, LetterBishop, Black, rec(9, 5, -10, 0, 0));
    put(19, LetterPawn, Black, rec(2, 0, -15, 0, 0));
    PieceList[20] = PieceList[19];
    PieceList[20].letter = 0; // a captured slot is skipped

    PlyState& st = PlyStates[0];
    st.mobilityTotal = 999; // stale figures are overwritten
    refresh_accumulators(SearchNodes[0]);
    EXPECT_EQ(st.mobilityTotal, (2 + (20 - 10) + 1 + (4 - 6)) - ((3 + 2) + (7 - 10) + (9 + 5) + 2));
    EXPECT_EQ(st.extraTotal, 15 - 25);
    EXPECT_EQ(st.squareValueTotal, 20 + 30 + 100 - 70 - 20 - 40 - 10 - 15);
    EXPECT_EQ(st.material, 950 + 100 + 320 - 500 - 330 - 100);
    EXPECT_EQ(st.promotersCount[White], 1);
    EXPECT_EQ(st.promotersCount[Black], 0);
    EXPECT_EQ(st.nonPawnMaterial[White], 1270);
    EXPECT_EQ(st.nonPawnMaterial[Black], 830);
    EXPECT_EQ(st.queenCount[White], 1);
    EXPECT_EQ(st.knightCount[White], 1);
    EXPECT_EQ(st.rookCount[Black], 1);
    EXPECT_EQ(st.bishopCount[Black], 1);
    EXPECT_EQ(st.pawnCount[White], 1);
    EXPECT_EQ(st.pawnCount[Black], 1);
    // Placement flags sum as bytes: 255 and 254 count as -1 and -2.
    EXPECT_EQ(st.placementTotal[White], 255);
    EXPECT_EQ(st.placementTotal[Black], uint8_t(255 + 254));
}

TEST_F(RefreshAccumulatorsTest, PlacementOnlyInTheMiddleGameWithBothQueens) {
    put(3, LetterKnight, White, rec(4, 0, 0, 0, 255));
    PlyState& st = PlyStates[0];
    st.placementTotal[White] = 7;
    st.queenLost[Black] = 1;
    refresh_accumulators(SearchNodes[0]);
    EXPECT_EQ(st.placementTotal[White], 7);
    st.queenLost[Black] = 0;
    st.phase = 1;
    refresh_accumulators(SearchNodes[0]);
    EXPECT_EQ(st.placementTotal[White], 7);
    st.phase = 0;
    refresh_accumulators(SearchNodes[0]);
    EXPECT_EQ(st.placementTotal[White], 255);
}

TEST_F(RefreshAccumulatorsTest, SkippedAtTheDeepestPlies) {
    put(3, LetterKnight, White, rec(4, 0, 0, 0, 0));
    SearchPly = int8_t(max_depth - 1);
    PlyStates[0].material = 1;
    refresh_accumulators(SearchNodes[0]);
    EXPECT_EQ(PlyStates[0].material, 1);
    SearchPly = int8_t(max_depth - 2);
    refresh_accumulators(SearchNodes[0]);
    EXPECT_EQ(PlyStates[0].material, 320);
}

} // namespace
