#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "board/consistency.h"
#include "board/fen_fixture.h"
#include "board/legality.h"
#include "board/make_move.h"
#include "board/move_table.h"
#include "board/movegen.h"

#include "board/position.h"
#include "core/settings.h"
#include "eval/eval_tables.h"
#include "eval/prepare.h"

namespace {

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

namespace {

// Legal moves of the side to move at node, as the search takes them.
int legal_moves(SearchNode& node, MOVE* out) {
    int n = 0;
    const int side = node.side;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.letter == 0) continue;
        for (const MOVE* list : {e.moves->captures, e.moves->quiet})
            for (const MOVE* p = list; *p; ++p) {
                if (((node.testMask >> slot) & 1) &&
                    isLegal(node, slot, *p, KingIndex[side], lastMoveInto(node)) != Legal)
                    continue;
                out[n++] = *p;
            }
    }
    return n;
}

// Differences between the incremental accumulators of node's state and a recount.
std::string accumulator_mismatch(SearchNode& node) {
    const PlyState kept = *node.state;
    refresh_accumulators(node);
    const PlyState& fresh = *node.state;
    std::ostringstream out;
    const auto check = [&](const char* name, int incremental, int recount) {
        if (incremental != recount) out << name << " " << incremental << " != " << recount << "; ";
    };
    check("material", kept.material, fresh.material);
    check("mobilityTotal", kept.mobilityTotal, fresh.mobilityTotal);
    check("extraTotal", kept.extraTotal, fresh.extraTotal);
    check("squareValueTotal", kept.squareValueTotal, fresh.squareValueTotal);
    for (int c = 0; c < 2; ++c) {
        check("promotersCount", kept.promotersCount[c], fresh.promotersCount[c]);
        check("placementTotal", kept.placementTotal[c], fresh.placementTotal[c]);
        check("nonPawnMaterial", kept.nonPawnMaterial[c], fresh.nonPawnMaterial[c]);
        check("pawnCount", kept.pawnCount[c], fresh.pawnCount[c]);
        check("queenCount", kept.queenCount[c], fresh.queenCount[c]);
        check("rookCount", kept.rookCount[c], fresh.rookCount[c]);
        check("bishopCount", kept.bishopCount[c], fresh.bishopCount[c]);
        check("knightCount", kept.knightCount[c], fresh.knightCount[c]);
    }
    *node.state = kept; // leave the incremental figures as the search would see them
    return out.str();
}

// Plays random lines from the game position the way the search does (copy the ply state, make,
// castling rights, generation; unmake with the records relinked), null moves included, and
// compares the accumulators with a recount at every node.
void walk_random_lines(uint32_t seed, int lines, int maxDepth) {
    std::mt19937 rng(seed);
    MOVE moves[256];
    MOVE line[MaxPly];
    for (int l = 0; l < lines; ++l) {
        const int depth = 1 + int(rng() % uint32_t(maxDepth));
        int made = 0;
        for (int k = 0; k < depth; ++k) {
            SearchNode& node = SearchNodes[k];
            SearchNode& child = SearchNodes[k + 1];
            const int n = legal_moves(node, moves);
            MOVE m;
            if (node.checkState == 0 && k > 0 && rng() % 8 == 0)
                m = NULL_MOVE;
            else if (n == 0)
                break;
            else
                m = moves[rng() % uint32_t(n)];
            PlyStates[k + 1] = PlyStates[k];
            MoveAtPly[k] = m;
            makeMove(child, m);
            if (m != NULL_MOVE) updateCastlingRights(child, m);
            SearchPly = int8_t(k + 1);
            updateMoves(child, m);
            line[made++] = m;
            const std::string mismatch = accumulator_mismatch(child);
            ASSERT_EQ(mismatch, "")
                << "line " << l << " ply " << k + 1 << " move " << std::hex << m;
        }
        while (made > 0) {
            --made;
            SearchPly = int8_t(made);
            unmakeMove(SearchNodes[made + 1], line[made], 1);
        }
        ASSERT_EQ(positionInconsistency(SearchNodes[0]), nullptr);
        ASSERT_EQ(accumulator_mismatch(SearchNodes[0]), "");
    }
}

TEST(AccumulatorsTest, IncrementalFiguresMatchARecountAlongRandomLines) {
    init_board_rules_once();
    init_evaluation_tables();
    buildMoveSquareDelta();
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
        "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1",
    };
    uint32_t seed = 12345;
    for (const char* fen : fens) {
        SCOPED_TRACE(fen);
        ASSERT_TRUE(setup_fen(fen));
        new_game_evaluation_tables();
        prepare_evaluation();
        walk_random_lines(seed++, 150, 14);
    }
    SearchPly = 0;
}

} // namespace

namespace {

// Sum of the board's piece-square bytes under the live pieces.
int board_square_values() {
    int sum = 0;
    for (const PieceEntry& e : PieceList)
        if (e.letter) sum += Board[e.square].pieceSquare[e.kind];
    return sum;
}

class PrepareEvaluationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        init_board_rules_once();
        init_evaluation_tables();
        buildMoveSquareDelta();
    }
    void TearDown() override {
        GamePly = 0;
        endgame_tables_installed = 0;
        PlyStates[0] = PlyState{};
        init_evaluation_tables();
        buildMoveSquareDelta();
    }
    // A game set up from fen, as a new game starts it.
    static void start(const char* fen) {
        ASSERT_TRUE(setup_fen(fen));
        new_game_evaluation_tables();
        buildMoveSquareDelta();
        updateMoves(SearchNodes[0], FullUpdate);
        prepare_evaluation();
    }
    static int value(const char* square, int type, int colour) {
        return Board[sq(square)].pieceSquare[piece_kind(type, colour)];
    }
};

TEST_F(PrepareEvaluationTest, RebuildsTheMiddleGameSetWhenTheKingsMove) {
    start("rnbqk2r/pppp1ppp/5n2/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1");
    EXPECT_EQ(value("g3", TypePawn, White), 0); // both rights: quiet king side
    EXPECT_EQ(PlyStates[0].squareValueTotal, board_square_values());

    play_game_move("e1", "g1");
    prepare_evaluation();
    EXPECT_EQ(PlyStates[0].castlingRights[White], CastledKingSide);
    EXPECT_EQ(value("g3", TypePawn, White), -10);
    EXPECT_EQ(value("g4", TypePawn, White), -50);
    EXPECT_EQ(endgame_tables_installed, 0);
    EXPECT_EQ(middlegame_king_files[White], 6);
    EXPECT_EQ(PlyStates[0].squareValueTotal, board_square_values());
    EXPECT_EQ(PlyStates[1].squareValueTotal, PlyStates[0].squareValueTotal);
    // The move deltas follow the new values.
    const int kind = piece_kind(TypePawn, White);
    EXPECT_EQ(MoveSquareDelta[(kind * 64 + sq("g2")) * 64 + sq("g4")], -50 - 1);
}

TEST_F(PrepareEvaluationTest, InstallsTheEndgameSetOnceThePhaseDrops) {
    start("4k3/pppp4/8/8/4P3/8/PPP5/R2QK3 w - - 0 1");
    EXPECT_EQ(PlyStates[0].phase, 1);
    EXPECT_EQ(endgame_tables_installed, 1);
    EXPECT_EQ(value("e4", TypePawn, White), 40); // endgame pawn table
    EXPECT_EQ(value("d1", TypeQueen, White), 0); // only knights and pawns from phase 1 on
    EXPECT_EQ(value("e1", TypeKing, White), 0);
    EXPECT_EQ(PlyStates[0].squareValueTotal, board_square_values());
    EXPECT_EQ(PlyStates[1].squareValueTotal, PlyStates[0].squareValueTotal);

    // A new game goes back to the middle-game set.
    start("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(endgame_tables_installed, 0);
    EXPECT_EQ(value("b1", TypeKnight, White), -70);
    EXPECT_EQ(value("e1", TypeKing, White), 20);
}

TEST_F(PrepareEvaluationTest, LongGamesSwitchToTheEndgameKingTable) {
    start("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    GamePly = 79;
    prepare_evaluation();
    EXPECT_EQ(value("e1", TypeKing, White), 20);
    GamePly = 80;
    prepare_evaluation();
    EXPECT_EQ(endgame_tables_installed, 1);
    EXPECT_EQ(value("e1", TypeKing, White), 5); // still phase 0: kings keep their values
    EXPECT_EQ(value("e8", TypeKing, Black), -5);
    EXPECT_EQ(PlyStates[0].squareValueTotal, board_square_values());
}

} // namespace
