#include "search/quiescence.h"

#include <algorithm>

#include "board/draw_rules.h"
#include "board/geometry.h"
#include "board/keys.h"
#include "board/legality.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/evaluate.h"
#include "search/hash_table.h"
#include "search/poll.h"
#include "search/quiescence_picker.h"
#include "search/search_node.h"
#include "search/search_path.h"
#include "search/search_state.h"

namespace {

constexpr int LazyMargin = 10;
// Plies below the first quiescence ply on which a forced line still searches quiet checks. A
// longer allowance lets a side that is lost anyway chase the king with check after check, and
// the quiescence search then grows beyond any time.
constexpr int ForcedLineCheckPlies = 12;

bool dead_draw(SearchNode& node, int whiteScore, int phase) {
    return whiteScore == 0 && phase >= 2 && material_draw_class(node) == 4;
}

// Could the move that led here give check to the side to move? Its piece attacks the king from
// its destination, or it stood on a line of the king with an enemy slider behind it. (A move
// along that line counts too: the test only needs to be safe, not exact.)
bool last_move_may_check(const SearchNode& node, MOVE last, int side) {
    if (!is_real_move(last)) return false;
    const PlyState& s = *node.state;
    const int king = s.kingSquare[side];
    const int from = move_from(last), to = move_to(last);
    const Bitboard after = occupiedSquares(s);
    if (pieceAttacks(TypeLetter[move_mover(last)], 1 - side, to, after) & square_bit(king))
        return true;
    if ((QueenLines[king] & square_bit(from)) == 0) return false;
    // The board before the move: the piece on its origin, the destination empty unless the move
    // captured there.
    Bitboard before = after | square_bit(from);
    if (move_captured(last) == 0) before &= ~square_bit(to);
    const uint8_t line = (BishopLines[king] & square_bit(from)) ? LetterBishop : LetterRook;
    const Bitboard seen = sliderAttacks(line, king, before);
    if ((seen & square_bit(from)) == 0) return false;
    Bitboard behind = sliderAttacks(line, king, before & ~square_bit(from)) & ~seen & before;
    if (behind == 0) return false;
    const int square = lowest_bit(behind);
    if (square == to) return false; // the captured piece stood there
    const BoardSquare& b = Board[square];
    return b.colour == 1 - side && (b.letter == line || b.letter == LetterQueen);
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

    // In-check test and pawn structure (before the move lists, as in the full-width search).
    const MOVE last = lastMoveInto(node);
    f.inCheck = uint8_t(kingAttacked(node, f.side));
    refreshPawnSummary(node, last);

    // Lazy cut on the parent's estimate: when the move that led here is far from enough for the
    // opponent and cannot have given check, the static score alone may already fail high.
    if (parent.lazyCut == 1 && move_special(last) == 0) {
        const int estimate = -LazyMargin - PieceValue[move_captured(last)] - parent.staticEval;
        if (estimate >= beta && !last_move_may_check(node, last, f.side)) {
            // The node's moves are not generated: its attack maps belong to another position.
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
        // No draw is scored below a null move: a line that passed once is not a real one, and
        // a position it repeats may only exist because of the pass.
        const bool reversible = !isIrreversible(m) && !NullMoveActive;
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
