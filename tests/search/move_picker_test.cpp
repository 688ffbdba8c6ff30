#include "search/move_picker.h"

#include <algorithm>
#include <vector>

#include "search/search_fixture.h"

namespace {

class MovePicker : public SearchFixture {
  protected:
    // The game position's node ready for its picker, as the search would leave it.
    static SearchFrame& frame(int nodeType = PvNode, int horizon = 16) {
        SearchNode& node = SearchNodes[0];
        SearchFrame& f = SearchFrames[0];
        f.side = node.side;
        f.opponent = node.opponent;
        f.sign = int8_t(colour_sign(node.side));
        f.phase = PlyStates[0].phase;
        f.horizon = f.iterationHorizon = f.childHorizon = int16_t(horizon);
        f.alpha = f.entryAlpha = f.bestScore = -InfiniteScore;
        f.staticEval = 0;
        f.nodeType = int8_t(nodeType);
        f.inCheck = node.checkState != 0;
        f.firstMove = f.suggestedMove = f.threatMove = 0;
        f.threatSquare = -1;
        f.threatReal = 0;
        f.killer1 = f.killer2 = 0;
        f.attackWindow = 0;
        f.attackZone = 0;
        f.attackExtensions = 0;
        f.legalMoveSeen = f.hasValue = 0;
        f.movesMade = f.quietMovesMade = 0;
        return f;
    }

    // Every move the picker hands out, in order.
    static std::vector<MOVE> drain() {
        SearchNode& node = SearchNodes[0];
        SearchFrame& f = SearchFrames[0];
        std::vector<MOVE> moves;
        startPicker(node);
        for (;;) {
            f.childHorizon = f.iterationHorizon;
            const MOVE m = nextMove(node);
            if (m == 0) break;
            moves.push_back(m);
        }
        return moves;
    }

    static std::vector<std::string> texts(const std::vector<MOVE>& moves) {
        std::vector<std::string> out;
        for (MOVE m : moves) out.push_back(uci(m));
        return out;
    }
};

// White: Ra1, Nb1, Ke1, Pe4. Black: Ke8, Pb7, Pa6, Nd5. exd5 wins a knight; Rxa6 loses the
// rook to b7xa6.
const char* StagesFen = "4k3/1p6/p7/3n4/4P3/8/8/RN2K3 w - - 0 1";

} // namespace

TEST_F(MovePicker, StagesRunInOrderAndEveryLegalMoveComesOnce) {
    ASSERT_TRUE(set_fen(StagesFen));
    SearchFrame& f = frame();
    f.firstMove = game_move("b1c3");
    f.killer1 = game_move("b1d2");
    f.killer2 = 0x0000001F | (MOVE(SqA1) << MoveFromShift) | (MOVE(TypeRook) << MoveMoverShift);
    const std::vector<std::string> got = texts(drain());
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got[0], "b1c3"); // the first move
    EXPECT_EQ(got[1], "e4d5"); // a winning capture at once
    EXPECT_EQ(got[2], "a1a6"); // the losing capture, deferred
    EXPECT_EQ(got[3], "b1d2"); // the killer; the second one, Ra1-h8, is no move here

    MOVE legal[RootMoveCapacity + 1];
    const int count = collectLegalMoves(legal, RootMoveCapacity);
    std::vector<std::string> expected = texts(std::vector<MOVE>(legal, legal + count));
    std::vector<std::string> sortedGot = got;
    std::sort(expected.begin(), expected.end());
    std::sort(sortedGot.begin(), sortedGot.end());
    EXPECT_EQ(sortedGot, expected);
    EXPECT_TRUE(f.listComplete);
}

TEST_F(MovePicker, DeferredQuietMovesComeSortedAndEqualKeysInGenerationOrder) {
    ASSERT_TRUE(set_fen(StagesFen));
    SearchFrame& f = frame();
    drain();
    // The entries the sorted stage handed out follow the keys; equal keys keep list order.
    int lastKey = 0x7FFFFFFF;
    const MoveEntry* previous = nullptr;
    for (int i = 0; f.sorted[i]; ++i) {
        const MoveEntry* e = f.sorted[i];
        EXPECT_LE(e->orderKey, lastKey);
        if (previous && previous->orderKey == e->orderKey) {
            EXPECT_LT(previous, e);
        }
        lastKey = e->orderKey;
        previous = e;
    }
    // At the start of a search every history ratio is 0: the keys of the deferred piece moves
    // are their square preferences (passed-pawn pushes, the first move and killers aside).
    for (int i = 0; i < f.moveCount; ++i) {
        const MoveEntry& e = f.moves[i];
        if (move_captured(e.move) || move_mover(e.move) == TypePawn) continue;
        EXPECT_GE(e.orderKey, KeyPreferenceBase - 128) << uci(e.move);
        EXPECT_LE(e.orderKey, KeyPreferenceBase + 127) << uci(e.move);
    }
}

TEST_F(MovePicker, QuietCheckComesBeforeOrdinaryQuietMoves) {
    // 1. e4 e5 2. ... d5: Bb5+ is a quiet check in the middlegame.
    ASSERT_TRUE(set_fen("rnbqkbnr/ppp2ppp/8/3pp3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 3"));
    frame();
    const std::vector<std::string> got = texts(drain());
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], "e4d5"); // the only capture, an even one
    EXPECT_EQ(got[1], "f1b5"); // then the check, before every other quiet move
}

TEST_F(MovePicker, ThreatenedPieceEscapesFirst) {
    // The knight on e3 is attacked by the pawn on d4.
    ASSERT_TRUE(set_fen("4k3/8/8/8/3p4/4N3/PP6/4K3 w - - 0 1"));
    SearchFrame& f = frame();
    f.threatSquare = int8_t(make_square(4, 2));
    f.threatReal = 1;
    const std::vector<MOVE> got = drain();
    ASSERT_FALSE(got.empty());
    // Captures first (Nxd... none besides the pawn): exd4 is not possible; the first move is an
    // escape of the knight to a square no pawn attacks.
    const MOVE first = got[0];
    EXPECT_EQ(move_from(first), make_square(4, 2)) << uci(first);
}

TEST_F(MovePicker, FrontierCutSkipsQuietMovesFarBelowAlpha) {
    ASSERT_TRUE(set_fen(StagesFen));
    SearchFrame& f = frame(CutNode, 0); // horizon at this very ply
    f.staticEval = -400;
    f.alpha = f.entryAlpha = 0;
    const std::vector<std::string> got = texts(drain());
    // Only the captures that could still matter: exd5 (gain 320 brings it near alpha); the
    // losing Rxa6 is cut by capture futility, and no quiet move is searched.
    for (const std::string& m : got) EXPECT_TRUE(m == "e4d5") << m;
    EXPECT_TRUE(f.hasValue);
    EXPECT_LE(f.bestScore, f.alpha);
}

TEST_F(MovePicker, PassedPawnPushOfTheSixthRankIsExtended) {
    ASSERT_TRUE(set_fen("4k3/8/P7/8/8/8/8/4K3 w - - 0 1"));
    SearchFrame& f = frame(PvNode, 8);
    SearchNode& node = SearchNodes[0];
    startPicker(node);
    bool seen = false;
    for (;;) {
        f.childHorizon = f.iterationHorizon;
        const MOVE m = nextMove(node);
        if (m == 0) break;
        if (uci(m) == "a6a7") {
            seen = true;
            EXPECT_EQ(f.childHorizon, f.iterationHorizon + 4);
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(MovePicker, TwoEqualKillersAreSearchedOnce) {
    ASSERT_TRUE(set_fen(StagesFen));
    SearchFrame& f = frame();
    f.killer1 = f.killer2 = game_move("b1d2");
    const std::vector<std::string> got = texts(drain());
    EXPECT_EQ(std::count(got.begin(), got.end(), "b1d2"), 1);
    // The killer comes right after the captures.
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got[2], "b1d2");
}

TEST_F(MovePicker, KillersAndAttackMovesAreSortedAmongTheQuietMovesOnALaterPass) {
    // The knight's move to c3 newly attacks d1, a square of the attack zone: it comes at once,
    // extended by a ply. The killer comes at once too. Neither gets a key of its own: once the
    // list is sorted both stand among the quiet moves by their history and square preference.
    ASSERT_TRUE(set_fen(StagesFen));
    SearchFrame& f = frame();
    f.killer1 = game_move("a1a2");
    f.attackWindow = 1;
    f.attackZone = square_bit(make_square(3, 0));
    SearchNode& node = SearchNodes[0];
    startPicker(node);
    std::vector<std::string> order;
    for (;;) {
        f.childHorizon = f.iterationHorizon;
        const MOVE m = nextMove(node);
        if (m == 0) break;
        order.push_back(uci(m));
        if (order.back() == "b1c3") {
            EXPECT_EQ(f.childHorizon, f.iterationHorizon + 4);
        }
    }
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(order[2], "a1a2"); // after the two captures
    EXPECT_EQ(order[3], "b1c3"); // the first quiet move examined
    for (int i = 0; i < f.moveCount; ++i) {
        const MoveEntry& e = f.moves[i];
        const std::string m = uci(e.move);
        if (m == "a1a2" || m == "b1c3") {
            EXPECT_LT(e.orderKey, KeyGoodQuiet) << m;
        }
    }
    // A later pass reads the prepared list; the picker extends none of its moves there.
    startPreparedList(node);
    for (;;) {
        f.childHorizon = f.iterationHorizon;
        const MOVE m = nextMove(node);
        if (m == 0) break;
        EXPECT_EQ(f.childHorizon, f.iterationHorizon) << uci(m);
        EXPECT_EQ(f.current->extended, 0) << uci(m);
    }
}
