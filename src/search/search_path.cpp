#include "search/search_path.h"

#include "board/draw_rules.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/evaluate.h"
#include "search/hash_table.h"
#include "search/search_node.h"

SearchNode& enterChild(SearchNode& node, MOVE m, KeyPair& key) {
    SearchNode& child = playIntoChild(node, m);
    key = fullKey(1);
    if (m != NULL_MOVE && isIrreversible(m))
        child.state->lastIrreversible = uint16_t(GamePly + SearchPly);
    storeKeyHistory(SearchPly, key);
    return child;
}

void leaveChild(SearchNode& node, MOVE m) {
    takeBackFromChild(node, m);
}

int reversiblePliesAfter(const SearchNode& node) {
    return GamePly + SearchPly - node.state->lastIrreversible;
}

uint8_t repetitionState(const SearchNode& child, MOVE m, const KeyPair& key) {
    switch (repetitionStatus(m, key, child.state->lastIrreversible)) {
    case RepetitionDraw: return RepDraw;
    case EarlierGamePosition: return RepEarlierGame;
    default: return RepNormal;
    }
}

void copyChildRow(int p) {
    MOVE* row = PvRows[p];
    const MOVE* child = PvRows[p + 1];
    int i = 1;
    for (; i < PvRowLength - 1; ++i) {
        if (p + i >= max_depth) {
            row[i] = MarkMaxDepth;
            return;
        }
        const MOVE m = child[i - 1];
        row[i] = m;
        if (ends_line(m)) return;
    }
    row[i] = MarkMaxDepth;
}

void endRowAfterMove(int p, MOVE marker) {
    PvRows[p][1] = marker;
}

bool pawnSummaryStale(MOVE last) {
    if (last == NULL_MOVE) return false;
    return last == FullUpdate || move_mover(last) == TypePawn || move_mover(last) == TypeKing ||
           move_captured(last) == TypePawn || (last & MoveCastlingSquare) != 0;
}

void refreshPawnSummary(SearchNode& node, MOVE last) {
    if (!pawnSummaryStale(last)) return;
    // The pawn structure reads the king-shelter counts, which the move lists keep: count them
    // for the new pawns and kings first, or the table would keep this key's summary with the
    // counts of the position before the move.
    countKingShelter(*node.state, White);
    countKingShelter(*node.state, Black);
    pawnHashProbe(node);
}

int evaluateFor(SearchNode& node, int colour) {
    return evaluate(node) * colour_sign(colour);
}

void probeEntry(MoveEntry& e, int depth) {
    if (!HashEnabled) return;
    if (e.hashState == NotProbed) {
        uint8_t code = 0, bound = 0;
        MOVE move = 0;
        int16_t score = 0;
        int8_t stored = 0;
        hashProbe(e.childKey, depth, code, move, score, bound, stored);
        e.hashState = code;
        if (code != ProbeMiss) {
            e.hashMove = move;
            e.hashScore = score;
            e.hashBound = bound;
            e.hashDepth = stored;
        }
        return;
    }
    if ((e.hashState == ProbeExact || e.hashState == ProbeBound || e.hashState == ProbeBoundUsed) &&
        e.hashDepth < depth)
        e.hashState = ProbeShallow;
}

bool entryUsable(MoveEntry& e, int depth, int alpha, int beta) {
    if (e.hashDepth < depth) return false;
    if (e.hashState == ProbeExact) return true;
    if (e.hashState != ProbeBound) return false;
    if ((e.hashBound == BoundUpper && e.hashScore <= alpha) ||
        (e.hashBound == BoundLower && e.hashScore >= beta)) {
        e.hashState = ProbeBoundUsed;
        return true;
    }
    return false;
}

void storeEntry(MoveEntry& e, int value, int depth, uint8_t bound, MOVE reply) {
    hashStore(e.childKey, int16_t(value), int16_t(depth), bound, reply);
    e.hashState = bound == BoundExact ? ProbeExact : ProbeBound;
    e.hashScore = int16_t(value);
    e.hashBound = bound;
    e.hashDepth = int8_t(depth < -128 ? -128 : depth > 127 ? 127 : depth);
    if (is_real_move(reply)) e.hashMove = reply;
}

uint8_t boundOf(int value, int alpha, int beta) {
    return value <= alpha ? BoundUpper : value < beta ? BoundExact : BoundLower;
}
