#include "search/quiescence.h"

#include <algorithm>
#include <string>
#include <vector>

#include "eval/evaluate.h"
#include "search/quiescence_picker.h"
#include "search/search_fixture.h"

namespace {

class Quiescence : public SearchFixture {
  protected:
    // Runs the quiescence search on the game position as the first quiescence ply below a
    // full-width node, quiet checks allowed on that ply when checkLimit is 1.
    static int quiesce_game_position(int alpha, int beta, int checkLimit = 1) {
        SearchNode& node = position_node();
        CheckPlyLimit = checkLimit;
        QuiescenceParent parent{0, -InfiniteScore, false, 0, 0, PvNode};
        const int value = quiesce(node, alpha, beta, 0, parent);
        CheckPlyLimit = 255;
        leave_position_node();
        return value;
    }
};

// A black move that led to the game position, coded as the generator would (a quiet move).
MOVE black_move(const char* from, const char* to, int mover, int captured = 0) {
    const MOVE m = MOVE(make_square(from[0] - 'a', from[1] - '1')) << MoveFromShift |
                   MOVE(make_square(to[0] - 'a', to[1] - '1')) | MOVE(mover) << MoveMoverShift |
                   MOVE(captured) << MoveCapturedShift;
    return captured ? m : m | ClassQuiet;
}

class LazyCut : public SearchFixture {
  protected:
    // Quiescence of the game position (White to move) as the child of the black move last,
    // the parent's static score given; lazy is the lazy-cut flag.
    static int child_of(MOVE last, int parentEval, int alpha, int beta, int lazy = 1) {
        SearchNode& node = position_node();
        MoveAtPly[0] = last;
        CheckPlyLimit = 1;
        QuiescenceParent parent{parentEval, -InfiniteScore, false, 0, lazy, CutNode};
        const int value = quiesce(node, alpha, beta, 0, parent);
        CheckPlyLimit = 255;
        leave_position_node();
        return value;
    }
    // The node's static score (White's view), as its full visit computes it.
    static int static_score(MOVE last) {
        child_of(last, 0, -InfiniteScore, InfiniteScore, 0);
        return SearchFrames[1].staticEval;
    }
    // The static score of the node as it stands before its moves are generated.
    static int score_before_generation() {
        SearchNode& node = position_node();
        SearchPly = 1;
        node.attackMapsValid = 0;
        const int score = evaluate(node);
        SearchPly = 0;
        leave_position_node();
        return score;
    }
    // Was the node cut before its moves were generated?
    static bool cut_lazily() { return SearchNodes[1].attackMapsValid == 0; }
};

// White far ahead; Black has just played a quiet rook move.
const char* LazyFen = "k7/8/8/8/8/8/1r6/2QQK3 w - - 0 1";

} // namespace

TEST_F(LazyCut, StaticScoreLessTenWhenTheMoveIsFarFromEnough) {
    ASSERT_TRUE(set_fen(LazyFen));
    const MOVE rookMove = black_move("b8", "b2", TypeRook);
    const int searched = static_score(rookMove);
    const int lazy = score_before_generation();
    const int beta = 100;
    ASSERT_GT(std::min(searched, lazy) - 10, beta);
    // -10 - 0 - parentEval >= beta: the parent's estimate leaves the opponent too far behind.
    EXPECT_EQ(child_of(rookMove, -110, beta - 1, beta), lazy - 10);
    EXPECT_TRUE(cut_lazily());
    EXPECT_EQ(PvRows[1][0], MarkEnd);
    // One short of it: the node is searched (and stands pat).
    EXPECT_EQ(child_of(rookMove, -109, beta - 1, beta), searched);
    EXPECT_FALSE(cut_lazily());
    // A captured knight counts for the opponent.
    const MOVE capture = black_move("b8", "b2", TypeRook, TypeKnight);
    EXPECT_EQ(child_of(capture, -430, beta - 1, beta), lazy - 10);
    EXPECT_EQ(child_of(capture, -429, beta - 1, beta), searched);
    // Not without the parent's leave, and not when the static score less ten misses beta.
    EXPECT_EQ(child_of(rookMove, -2000, beta - 1, beta, 0), searched);
    EXPECT_FALSE(cut_lazily());
    EXPECT_EQ(child_of(rookMove, -2000, lazy - 11, lazy - 10), lazy - 10);
    EXPECT_TRUE(cut_lazily());
    child_of(rookMove, -2000, lazy - 10, lazy - 9);
    EXPECT_FALSE(cut_lazily());
}

TEST_F(LazyCut, NotAfterAMoveThatMayGiveCheck) {
    // Rook d8-d1 checks along the first rank: in check, the evasions are searched.
    ASSERT_TRUE(set_fen("k7/8/8/8/8/8/8/2QrK3 w - - 0 1"));
    child_of(black_move("d8", "d1", TypeRook, 0), -2000, 99, 100);
    EXPECT_FALSE(cut_lazily());
    // The pawn e5-e4 stood between the white king and the black rook e8: no cut, although
    // the pawn still shields the king after its step.
    ASSERT_TRUE(set_fen("k3r3/8/8/8/4p3/8/8/2QQK3 w - - 0 1"));
    child_of(black_move("e5", "e4", TypePawn), -2000, 99, 100);
    EXPECT_FALSE(cut_lazily());
    // A pawn step off any line of the king is cut.
    ASSERT_TRUE(set_fen("k6r/8/8/8/p7/8/8/2QQK3 w - - 0 1"));
    child_of(black_move("a5", "a4", TypePawn), -2000, 99, 100);
    EXPECT_TRUE(cut_lazily());
    // Castling, en passant and promotions are never followed by the cut.
    ASSERT_TRUE(set_fen("2kr4/8/8/8/8/8/8/3QK2Q w - - 0 1"));
    child_of(black_move("e8", "c8", TypeKing) | MoveCastling, -2000, 99, 100);
    EXPECT_FALSE(cut_lazily());
}

TEST_F(Quiescence, StandPatFailsHighWithoutLookingAtMoves) {
    ASSERT_TRUE(set_fen("4k3/8/8/8/8/8/8/QQQQK3 w - - 0 1"));
    SearchFrames[1].moveCount = 77; // left alone when no move is generated
    const uint64_t before = node_count;
    const int value = quiesce_game_position(-100, 100);
    EXPECT_GT(value, 100);
    EXPECT_EQ(node_count, before);
    EXPECT_EQ(SearchFrames[1].moveCount, 77);
    EXPECT_EQ(PvRows[1][0], MarkEnd);
}

TEST_F(Quiescence, CaptureThatCannotReachAlphaIsPruned) {
    ASSERT_TRUE(set_fen("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1"));
    const uint64_t before = node_count;
    const int value = quiesce_game_position(500, 600);
    EXPECT_EQ(node_count, before); // exd5 (worth 100) was not searched
    EXPECT_LE(value, 500);
}

TEST_F(Quiescence, CheckmateWithoutEvasionScoresTheMateAtThisPly) {
    ASSERT_TRUE(set_fen("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_EQ(quiesce_game_position(-InfiniteScore, InfiniteScore), 1 - MateScore);
    EXPECT_EQ(PvRows[1][0], MarkMate);
}

TEST_F(Quiescence, QuietMatingCheckIsFoundOnlyWhereChecksAreSearched) {
    // Qd8 mates; the middlegame material keeps quiet checks in the quiescence search.
    const char* fen = "6k1/5ppp/8/8/8/8/rn3PPP/1b1Q1RK1 w - - 0 1";
    ASSERT_TRUE(set_fen(fen));
    EXPECT_EQ(PlyStates[0].phase, 0);
    EXPECT_GE(quiesce_game_position(5000, 9000, 1), 8999);
    ASSERT_TRUE(set_fen(fen));
    EXPECT_LE(quiesce_game_position(5000, 9000, 0), 5000); // below its first ply: no checks
}

TEST_F(Quiescence, CapturesAreResolved) {
    // White takes the loose queen: the score shows the knight up.
    ASSERT_TRUE(set_fen("4k3/pp6/8/3q4/8/4N3/PP6/4K3 w - - 0 1"));
    EXPECT_GT(quiesce_game_position(-InfiniteScore, InfiniteScore), 200);
    // Black to move saves the queen by taking the knight.
    ASSERT_TRUE(set_fen("4k3/pp6/8/3q4/8/4N3/PP6/4K3 b - - 0 1"));
    EXPECT_GT(quiesce_game_position(-InfiniteScore, InfiniteScore), 700);
    // A bare king and knight after the capture is a dead draw.
    ASSERT_TRUE(set_fen("4k3/8/8/3q4/8/4N3/8/4K3 w - - 0 1"));
    EXPECT_EQ(quiesce_game_position(-InfiniteScore, InfiniteScore), 0);
}

TEST_F(Quiescence, NoRepetitionIsScoredBelowANullMove) {
    // The rook checks the king on e2; Ke1 brings the position after Ke1 for the third time.
    const char* game = "fen k7/8/8/8/8/8/8/4K2r w - - 0 1 moves e1e2 h1h2 e2e1 h2h1 e1e2 h1h2 "
                       "e2e1 h2h1 e1e2 h1h2";
    ASSERT_TRUE(set_position(game));
    EXPECT_EQ(quiesce_game_position(-InfiniteScore, InfiniteScore), 0);
    EXPECT_EQ(uci(PvRows[1][0]), "e2e1");
    EXPECT_EQ(PvRows[1][1], MarkRepetition);
    // Below a null move the same evasion is searched: the rook up counts.
    ASSERT_TRUE(set_position(game));
    NullMoveActive = 1;
    const int value = quiesce_game_position(-InfiniteScore, InfiniteScore);
    NullMoveActive = 0;
    EXPECT_LT(value, -300);
    EXPECT_NE(PvRows[1][1], MarkRepetition);
}

TEST_F(Quiescence, ACheckmateInADeadDrawMaterialClassIsStillMate) {
    // Bishop against knight scores as a dead draw by material, but Bb7 has mated the king in
    // the corner: the evasions are looked at, and there is none.
    ASSERT_TRUE(set_fen("kn6/1B6/1K6/8/8/8/8/8 b - - 0 1"));
    ASSERT_GE(PlyStates[0].phase, 2);
    ASSERT_EQ(material_draw_class(SearchNodes[0]), 4);
    ASSERT_EQ(evaluate(SearchNodes[0]), 0);
    EXPECT_EQ(quiesce_game_position(-InfiniteScore, InfiniteScore), 1 - MateScore);
    EXPECT_EQ(PvRows[1][0], MarkMate);
}

namespace {

class QuiescencePicker : public SearchFixture {
  protected:
    // The moves the picker of the game position's node hands out, in order, the node taken as
    // a first quiescence ply (quiet checks allowed when not in check) with a table move.
    static std::vector<std::string> picked(MOVE tableMove) {
        SearchNode& node = SearchNodes[0];
        SearchFrame& f = SearchFrames[0];
        enterFrame(f, node.side, PlyStates[0].phase);
        f.inCheck = node.checkState != 0;
        f.firstMove = tableMove;
        f.staticEval = 0;
        f.alpha = f.entryAlpha = f.bestScore = f.deltaFloor = -InfiniteScore;
        f.checkPlyLimit = 0;
        f.forcedLine = 0;
        f.checksAllowed = !f.inCheck;
        std::vector<std::string> moves;
        startQuiescencePicker(node);
        while (const MOVE m = nextQuiescenceMove(node)) moves.push_back(uci(m));
        return moves;
    }
};

} // namespace

TEST_F(QuiescencePicker, AQuietTableMoveComesFirstOnlyAsACheck) {
    // Castling short checks the king on f8 with the rook: as a king move it is judged by the
    // king-move test, and it comes first.
    ASSERT_TRUE(set_fen("rq3k2/8/8/8/8/8/8/3QK2R w K - 0 1"));
    std::vector<std::string> got = picked(game_move("e1g1"));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], "e1g1");
    // A quiet table move that gives no check is not searched at all when not in check.
    ASSERT_TRUE(set_fen("rq3k2/8/8/8/8/8/8/3QK2R w K - 0 1"));
    got = picked(game_move("e1d2"));
    EXPECT_EQ(std::count(got.begin(), got.end(), "e1d2"), 0);
    // In check the same gate holds: the quiet evasion Kd1 is not taken first; the capture of the
    // checker comes first and Kd1 among the quiet evasions.
    ASSERT_TRUE(set_fen("4r2k/8/5N2/8/8/8/8/4K3 w - - 0 1"));
    got = picked(game_move("e1d1"));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], "f6e8");
    EXPECT_EQ(std::count(got.begin(), got.end(), "e1d1"), 1);
}

TEST_F(QuiescencePicker, AnEnPassantEvasionComesWithTheQuietEvasions) {
    // d7-d5 checks the king on e4. Nxd5 takes the checker from its capture list; exd6 en
    // passant takes it too, but comes in the last list with the king moves.
    ASSERT_TRUE(set_fen("k7/8/8/3pP3/1N2K3/8/8/8 w - d6 0 1"));
    const std::vector<std::string> got = picked(0);
    const auto at = [&](const char* m) {
        return std::find(got.begin(), got.end(), m) - got.begin();
    };
    ASSERT_LT(at("b4d5"), std::ptrdiff_t(got.size()));
    ASSERT_LT(at("e5d6"), std::ptrdiff_t(got.size()));
    EXPECT_LT(at("b4d5"), at("e5d6"));
    EXPECT_LT(at("b4d5"), at("e4f4")); // a king step of the last list
}
