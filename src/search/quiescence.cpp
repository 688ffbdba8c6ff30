#include "search/quiescence.h"

#include <algorithm>

#include "board/draw_rules.h"
#include "board/geometry.h"
#include "board/keys.h"
#include "board/legality.h"
#include "board/movegen.h"
#include "board/position.h"
#include "eval/evaluate.h"
#include "search/hash_table.h"
#include "search/poll.h"
#include "search/quiescence_picker.h"
#include "search/search_node.h"
#include "search/search_path.h"
#include "search/search_state.h"
#include "shell/settings.h"

namespace {

constexpr int LazyMargin = 10;
// Plies below the first quiescence ply on which a forced line still searches quiet checks. A
// longer allowance lets a side that is lost anyway chase the king with check after check, and
// the quiescence search then grows beyond any time.
constexpr int ForcedLineCheckPlies = 12;

bool dead_draw(SearchNode& node, int whiteScore, int phase) {
    return whiteScore == 0 && phase >= 2 && material_draw_class(node) == 4;
}

// The summary of the pawn table still holds when the move that led here touched no pawn, king,
// castling square, queen count or phase.
bool pawn_summary_kept(const SearchNode& node, MOVE last) {
    const PlyState& s = *node.state;
    const PlyState& before = *node.previousState;
    return move_mover(last) != TypePawn && move_mover(last) != TypeKing &&
           move_captured(last) != TypePawn && (last & MoveCastlingSquare) == 0 &&
           s.phase == before.phase && s.queenCount[0] == before.queenCount[0] &&
           s.queenCount[1] == before.queenCount[1];
}

int16_t leave(int16_t score) {
    --SearchPly;
    return score;
}

} // namespace

int16_t quiesce(SearchNode& node, int alpha, int beta, MOVE suggested,
                const QuiescenceParent& parent) {
    // Entering.
    const int p = ++SearchPly;
    SearchFrame& f = SearchFrames[p];
    enterFrame(f, SideToMove, node.state->phase);
    f.nodeType = AllNode;
    f.firstMove = suggested;
    f.hasValue = 0;
    PvRows[p][0] = 0;
    if (p > SelDepth) SelDepth = int8_t(p);

    // Mate-distance pruning.
    if (mate_distance_cut(alpha, beta, p)) {
        PvRows[p][0] = MarkEnd;
        return leave(int16_t(alpha));
    }
    f.alpha = f.entryAlpha = int16_t(alpha);

    // In-check test, then the lazy cut on the parent's estimate: when the move that led here
    // is far from enough for the opponent, the static score alone may already fail high.
    const MOVE last = lastMoveInto(node);
    // The pawn-table record is read after the move generation: start fetching it now.
    if (pawnSummaryStale(node, last)) pawnPrefetch(*node.state);
    f.inCheck = uint8_t(kingAttacked(node, f.side));
    if (parent.lazyCut == 1 && move_special(last) == 0 && !f.inCheck &&
        pawn_summary_kept(node, last)) {
        const int estimate = -LazyMargin - PieceValue[move_captured(last)] - parent.staticEval;
        if (estimate >= beta) {
            node.attackMapsValid = 0;
            const int white = evaluate(node);
            if (dead_draw(node, white, f.phase)) {
                PvRows[p][0] = MarkEnd;
                return leave(0);
            }
            const int score = white * f.sign - LazyMargin;
            if (score >= beta) {
                PvRows[p][0] = MarkEnd;
                return leave(int16_t(score));
            }
        }
    }

    updateMoves(node, last);
    refreshPawnSummary(node, last);
    const int white = evaluate(node);
    f.staticEval = int16_t(white * f.sign);
    if (!f.inCheck && dead_draw(node, white, f.phase)) {
        PvRows[p][0] = MarkEnd;
        return leave(0);
    }

    // Stand pat.
    if (f.inCheck) {
        f.bestScore = f.deltaFloor = -InfiniteScore;
    } else {
        f.bestScore = f.staticEval;
        f.deltaFloor = int16_t(std::min<int>(f.staticEval, alpha));
        f.hasValue = 1;
        PvRows[p][0] = MarkEnd;
        if (f.staticEval > f.alpha) f.alpha = f.staticEval;
        if (f.staticEval >= beta) return leave(f.staticEval);
    }

    if (!suggested && node.state->searchFlag == 1) {
        const MOVE onLine = PrevPv[p];
        if (is_real_move(onLine) && Board[move_from(onLine)].colour == f.side) f.firstMove = onLine;
    }

    // Quiet checks: on the first quiescence ply in the middlegame with a queen, and along a
    // forced line (the parent had a single reply to check, or a discovered check is ready).
    f.forcedLine =
        uint8_t((parent.inCheck && parent.moveCount <= 1 && !f.inCheck) || node.pinCandidateFlag);
    f.checkPlyLimit = CheckPlyLimit + (f.forcedLine ? ForcedLineCheckPlies : 0);
    f.checksAllowed = uint8_t(
        (f.forcedLine && p <= f.checkPlyLimit) ||
        (!f.inCheck && p <= f.checkPlyLimit && f.phase == 0 && node.state->queenCount[f.side] > 0));

    startQuiescencePicker(node);
    const int moveCount = f.inCheck ? f.moveCount : 0;
    bool anyMove = false;
    while (MOVE m = nextQuiescenceMove(node)) {
        hashPrefetch(predictChildKey32(node, m));
        anyMove = true;
        MoveEntry& e = *f.current;
        if (countNodeAndPoll(node)) return leave(f.staticEval);

        KeyPair key;
        const int searchAlpha = f.alpha;
        const bool reversible = !isIrreversible(m);
        SearchNode& child = enterChild(node, m, key);
        e.repState = RepNormal;
        int value = 0;
        bool fromTable = false;
        if (reversible && reversiblePliesAfter(node) >= 100) {
            e.repState = FiftyDraw;
            PvRows[p + 1][0] = MarkFifty;
        } else if (reversible) {
            e.repState = repetitionState(child, m, key);
            if (e.repState == RepDraw) {
                PvRows[p + 1][0] = MarkRepetition;
            }
        }
        if (e.repState == RepNormal || e.repState == RepEarlierGame) {
            uint8_t code = 0, bound = 0;
            MOVE tableMove = 0;
            int16_t tableScore = 0;
            int8_t depth = 0;
            if (HashEnabled) hashProbe(key, 0, code, tableMove, tableScore, bound, depth);
            if (HashEnabled &&
                (code == ProbeExact ||
                 (code == ProbeBound && ((bound == BoundUpper && tableScore <= f.alpha) ||
                                         (bound == BoundLower && tableScore >= beta))))) {
                value = tableScore;
                fromTable = true;
                PvRows[p + 1][0] = tableMove ? tableMove : MarkHash;
                PvRows[p + 1][1] = MarkHash;
            } else if (p < max_depth) {
                QuiescenceParent me{f.staticEval, f.bestScore, f.inCheck != 0,
                                    moveCount,    1,           parent.nodeType};
                value = -quiesce(child, -beta, -f.alpha, tableMove, me);
            } else {
                child.attackMapsValid = 0;
                value = evaluateFor(child, f.side);
                PvRows[p + 1][0] = MarkMaxDepth;
            }
        }
        leaveChild(node, m);
        if (abort_search) return leave(f.staticEval);

        const uint8_t bound = value <= searchAlpha ? BoundUpper
                              : value < beta       ? BoundExact
                                                   : BoundLower;
        if (!fromTable && e.repState == RepNormal)
            hashStore(key, int16_t(value), -1, bound, PvRows[p + 1][0]);

        if (value > f.bestScore) {
            f.bestScore = int16_t(value);
            f.hasValue = 1;
            if (value > f.alpha) f.alpha = int16_t(value);
            PvRows[p][0] = m;
            if (-value > parent.bestScore)
                copyChildRow(p);
            else
                endRowAfterMove(p, MarkEnd);
            if (bound == BoundLower) break;
        }
    }

    // Leaving: in check without a legal move is mate.
    if (f.inCheck && !anyMove) {
        f.bestScore = int16_t(p - MateScore);
        PvRows[p][0] = MarkMate;
    }
    return leave(f.bestScore);
}
