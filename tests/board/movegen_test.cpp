#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/consistency.h"
#include "board/geometry.h"
#include "board/legality.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/perft.h"
#include "fen_fixture.h"

namespace {

std::vector<MOVE> record_moves(const PieceEntry& e) {
    std::vector<MOVE> moves;
    for (const MOVE* list : {e.moves->captures, e.moves->quiet})
        for (const MOVE* p = list; *p; ++p) moves.push_back(*p);
    return moves;
}

// Moves identified by squares, kind and promotion, without castling and en-passant entries,
// which the lists keep for the legality test to judge.
std::vector<MOVE> comparable(std::vector<MOVE> moves) {
    std::vector<MOVE> out;
    for (MOVE m : moves) {
        int special = move_special(m);
        if (special == MoveCastling || special == MoveEnPassant) continue;
        out.push_back(m & (MoveToMask | MoveFromMask | MoveSpecialMask | MovePromotionMask |
                           MoveMoverMask | MoveCapturedMask));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Everything the incremental pass left in node, compared with what a fresh look gives.
void expect_node_fresh(SearchNode& node, const std::string& where) {
    ASSERT_EQ(positionInconsistency(node), nullptr) << where << " " << positionInconsistency(node);
    const PlyState& s = *node.state;
    // Check rays traced anew on a scratch copy.
    PlyState scratchState = s;
    SearchNode scratch = node;
    scratch.state = &scratchState;
    for (int c = 0; c < 2; ++c) {
        scratchState.diagonalCheckRays[c] = scratchState.straightCheckRays[c] = 0;
        for (int d = 0; d < 8; ++d)
            traceCheckRay(scratch, colour_sign(c), s.kingSquare[c],
                          (d & 1) ? LetterBishop : LetterRook, Steps[d]);
        ASSERT_EQ(scratchState.diagonalCheckRays[c], s.diagonalCheckRays[c]) << where;
        ASSERT_EQ(scratchState.straightCheckRays[c], s.straightCheckRays[c]) << where;
        ASSERT_EQ(s.allCheckRays[c], s.diagonalCheckRays[c] | s.straightCheckRays[c]) << where;
    }
    int attackers = countAttackers(node, s.kingSquare[node.side], node.side);
    ASSERT_EQ(node.checkState != 0, attackers > 0) << where;
    ASSERT_EQ(node.checkState == 2, attackers > 1) << where;
    // Every record holds what the piece can do on the board now.
    for (PieceEntry& e : PieceList) {
        if (e.letter == 0) continue;
        PieceMoveIterator it;
        startPieceMoves(it, e, node);
        std::vector<MOVE> lazy;
        for (MOVE m = nextPieceMove(it); m; m = nextPieceMove(it)) lazy.push_back(m);
        ASSERT_EQ(comparable(record_moves(e)), comparable(lazy))
            << where << " slot " << int(e.slot);
    }
    if (node.mateFound) {
        MOVE m = node.mateMove;
        SearchNode& child = playIntoChild(node, m);
        ++SearchPly;
        updateMoves(child, m);
        EXPECT_NE(child.checkState, 0) << where;
        EXPECT_EQ(perft(child, 1), 0u) << where << " mate move is no mate";
        --SearchPly;
        takeBackFromChild(node, m);
    }
}

struct Snapshot {
    BoardSquare board[64];
    PieceEntry pieces[32];
    uint8_t side;
};

Snapshot take_snapshot() {
    Snapshot s;
    std::memcpy(s.board, Board, sizeof Board);
    std::memcpy(s.pieces, PieceList, sizeof PieceList);
    s.side = SideToMove;
    return s;
}

void walk(SearchNode& node, int depth, const std::string& where) {
    expect_node_fresh(node, where);
    if (depth == 0 || ::testing::Test::HasFatalFailure()) return;
    int side = node.side;
    std::vector<std::pair<int, MOVE>> moves;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot)
        if (PieceList[slot].letter)
            for (MOVE m : record_moves(PieceList[slot])) moves.push_back({slot, m});
    for (auto [slot, m] : moves) {
        if (((node.testMask >> slot) & 1) &&
            isLegal(node, slot, m, KingIndex[side], lastMoveInto(node)) != Legal)
            continue;
        int checks = givesCheck(node, m, side);
        Snapshot before = take_snapshot();
        SearchNode& child = playIntoChild(node, m);
        ++SearchPly;
        updateMoves(child, m);
        if (checks == 1) {
            ASSERT_NE(child.checkState, 0) << where << " gives-check " << m;
        }
        walk(child, depth - 1, where + " " + std::to_string(m & MoveIdentityMask));
        --SearchPly;
        takeBackFromChild(node, m);
        Snapshot after = take_snapshot();
        ASSERT_EQ(std::memcmp(before.board, after.board, sizeof Board), 0) << where << " " << m;
        ASSERT_EQ(std::memcmp(before.pieces, after.pieces, sizeof PieceList), 0) << where;
        ASSERT_EQ(before.side, after.side);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

} // namespace

TEST(MoveGeneration, StartPositionLists) {
    ASSERT_TRUE(setup_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    int quiet[7] = {}, captures = 0;
    for (int slot = 0; slot < 16; ++slot) {
        quiet[letter_type(PieceList[slot].letter)] += PieceList[slot].moves->quietCount;
        captures += PieceList[slot].moves->captureCount;
    }
    EXPECT_EQ(quiet[TypePawn], 16);
    EXPECT_EQ(quiet[TypeKnight], 4);
    EXPECT_EQ(quiet[TypeKing], 2); // the castling entries, which the legality test refuses
    EXPECT_EQ(captures, 0);
    EXPECT_EQ(SearchNodes[0].testMask, 1u << KingIndex[White]);
    EXPECT_EQ(perft(SearchNodes[0], 1), 20u);
}

TEST(MoveGeneration, PromotionsAndCastlingEntries) {
    // Promotions: D among the captures, then T, F, C among the quiet moves, in that order.
    ASSERT_TRUE(setup_fen("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1"));
    const PieceMoveRecord& pawn = *PieceList[Board[sq("b7")].slot].moves;
    ASSERT_EQ(pawn.captureCount, 1);
    EXPECT_EQ(move_promotion_type(pawn.captures[0]), TypeQueen);
    ASSERT_EQ(pawn.quietCount, 3);
    EXPECT_EQ(move_promotion_type(pawn.quiet[0]), TypeRook);
    EXPECT_EQ(move_promotion_type(pawn.quiet[1]), TypeBishop);
    EXPECT_EQ(move_promotion_type(pawn.quiet[2]), TypeKnight);
    EXPECT_EQ(pawn.canPromote, 1);
    EXPECT_EQ(PlyStates[0].promotersCount[White], 1);
    // Castling is listed by the rights alone, even with pieces between.
    ASSERT_TRUE(setup_fen("4k3/8/8/8/8/8/8/RN2K1NR w KQ - 0 1"));
    EXPECT_NE(find_move(SearchNodes[0], "e1", "g1"), 0u);
    EXPECT_NE(find_move(SearchNodes[0], "e1", "c1"), 0u);
    ASSERT_TRUE(setup_fen("4k3/8/8/8/8/8/8/R3K2R w Q - 0 1"));
    EXPECT_EQ(find_move(SearchNodes[0], "e1", "g1"), 0u);
    // An en-passant entry stays listed without a double step before; legality refuses it.
    ASSERT_TRUE(setup_fen("4k3/8/8/3Pp3/8/8/8/4K3 w - - 0 1"));
    MOVE ep = find_move(SearchNodes[0], "d5", "e6");
    EXPECT_EQ(move_special(ep), int(MoveEnPassant));
    EXPECT_EQ(perft(SearchNodes[0], 1), 6u); // five king moves and d6
}

TEST(MoveGeneration, SetUpSlotsAndCastlingChecks) {
    // No king on e1: no white castling even with both rooks home.
    ASSERT_TRUE(setup_fen("4k3/8/8/8/8/8/8/R2K3R w KQ - 0 1"));
    EXPECT_EQ(PlyStates[0].castlingRights[White], 0);
    ASSERT_TRUE(setup_fen("r3k3/8/8/8/8/8/8/4K3 b kq - 0 1"));
    EXPECT_EQ(PlyStates[0].castlingRights[Black], CastleQueenSide);
    EXPECT_EQ(Board[SqA8].slot, 17);
    EXPECT_EQ(Board[SqE8].slot, 25);
    // King and rooks home take 8, 0 and 14; thirteen more pieces fill 1-7, 9-13 and 15.
    ASSERT_TRUE(setup_fen("4k3/8/8/8/2QQQQQ1/NNBBBB2/PP6/R3K2R w KQ - 0 1"));
    EXPECT_EQ(Board[SqA1].slot, 0);
    EXPECT_EQ(Board[SqH1].slot, 14);
    EXPECT_EQ(Board[SqE1].slot, 8);
    // Scan order a1, a2, ..., b1, ...: a2 comes first, d4 skips the king's slot, g4 the rook's.
    EXPECT_EQ(Board[sq("a2")].slot, 1);
    EXPECT_EQ(Board[sq("d3")].slot, 7);
    EXPECT_EQ(Board[sq("d4")].slot, 9);
    EXPECT_EQ(Board[sq("g4")].slot, 15);
    std::vector<int> used;
    for (int slot = 0; slot < 16; ++slot)
        if (PieceList[slot].letter) used.push_back(slot);
    EXPECT_EQ(used.size(), 16u);
    // A seventeenth piece is refused.
    EXPECT_FALSE(setup_fen("4k3/8/8/2Q5/2QQQQQ1/NNBBBB2/PP6/R3K2R w KQ - 0 1"));
}

TEST(MoveGeneration, IncrementalPassAgreesWithAFreshLook) {
    const char* positions[][2] = {
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", "2"},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", "4"},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", "3"},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", "2"},
        {"8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1", "4"},
        {"n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", "3"},
        {"r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1", "2"},
        {"6k1/5ppp/8/8/8/8/5PPP/Q5K1 w - - 0 1", "3"}, // a back-rank mate to find
        {"7k/8/5N2/8/8/8/8/R5K1 w - - 0 1", "2"},
        {"r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", "2"},
    };
    for (const auto& p : positions) {
        ASSERT_TRUE(setup_fen(p[0])) << p[0];
        walk(SearchNodes[0], std::atoi(p[1]), p[0]);
        if (HasFatalFailure()) return;
    }
}

TEST(MoveGeneration, IncrementalPassAgreesOnEveryPerftPosition) {
    for (const char* file : {"perft.epd", "perft_extra.epd"}) {
        std::ifstream in(std::string(TALVOR_TEST_DATA) + "/" + file);
        std::string line;
        while (std::getline(in, line)) {
            std::string fen = line.substr(0, line.find(';'));
            ASSERT_TRUE(setup_fen(fen)) << fen;
            walk(SearchNodes[0], 2, fen);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(MoveGeneration, QuietMateIsFound) {
    // Looked for only while the side has a queen (outside the opening phase).
    ASSERT_TRUE(setup_fen("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1"));
    EXPECT_EQ(SearchNodes[0].mateFound, 0);
    ASSERT_TRUE(setup_fen("6k1/5ppp/8/8/8/8/5PPP/Q5K1 w - - 0 1"));
    EXPECT_EQ(SearchNodes[0].mateFound, 1);
    EXPECT_EQ(SearchNodes[0].mateMove & MoveIdentityMask,
              find_move(SearchNodes[0], "a1", "a8") & MoveIdentityMask);
    // A defender that can interpose, or take the checker, leaves no mate.
    ASSERT_TRUE(setup_fen("6k1/5ppp/8/8/8/8/2r2PPP/Q5K1 w - - 0 1"));
    EXPECT_EQ(SearchNodes[0].mateFound, 0);
    ASSERT_TRUE(setup_fen("3r2k1/5ppp/8/8/8/8/5PPP/Q5K1 w - - 0 1"));
    EXPECT_EQ(SearchNodes[0].mateFound, 0);
}

TEST(MoveGeneration, EvaluationFiguresOfTheGenerators) {
    struct {
        const char *fen, *square;
        int mobilityScore, mobilityCount, extra, placement;
    } cases[] = {
        // Start position: blocked pieces behind their own pawns.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "b1", -6, 2, 0, 255},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "c1", -23, 0, 0, 255},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "a1", -44, 0, 0, 255},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "d1", -25, 0, 0, 254},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e1", 0, 2, 0, 255},
        // A rook on the seventh rank beside enemy pawns.
        {"4k3/pp2R3/8/8/8/8/8/4K3 w - - 0 1", "e7", 5, 12, 20, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup_fen(c.fen)) << c.fen;
        const PieceMoveRecord& r = *PieceList[Board[sq(c.square)].slot].moves;
        EXPECT_EQ(r.mobilityScore, c.mobilityScore) << c.fen << " " << c.square;
        EXPECT_EQ(r.mobilityCount, c.mobilityCount) << c.fen << " " << c.square;
        EXPECT_EQ(r.extra, c.extra) << c.fen << " " << c.square;
        EXPECT_EQ(r.placementFlag, c.placement) << c.fen << " " << c.square;
    }
    // The ply state sums the records: white's and black's start figures cancel.
    ASSERT_TRUE(setup_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    EXPECT_EQ(PlyStates[0].mobilityTotal, 0);
    EXPECT_EQ(PlyStates[0].extraTotal, 0);
}
