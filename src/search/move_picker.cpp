#include "search/move_picker.h"

#include <algorithm>

#include "board/geometry.h"
#include "board/legality.h"
#include "board/move_table.h"
#include "board/movegen.h"
#include "board/position.h"
#include "search/exchange.h"
#include "search/history.h"
#include "search/poll.h"
#include "search/search_state.h"

namespace {

constexpr int FutilityMargin = 20;

SearchFrame& frame_of(const SearchNode& node) {
    return SearchFrames[node.index];
}

int first_slot(int side) {
    return 16 * (1 - side);
}

bool same_move(MOVE a, MOVE b) {
    return (a & MoveIdentityMask) == (b & MoveIdentityMask);
}

// The list of the piece's current record in which m would stand.
const MOVE* list_for(const PieceEntry& e, MOVE m) {
    bool capture_list = move_captured(m) != 0 ||
                        (move_special(m) == MovePromotion && move_promotion_type(m) == TypeQueen);
    return capture_list ? e.moves->captures : e.moves->quiet;
}

// The move as generated for the piece on its origin square, or 0 when that piece (of the side to
// move) does not have it in its current list. A move from the table or a killer is trusted only
// through this lookup.
MOVE current_list_move(const SearchNode& node, MOVE m) {
    if (!is_real_move(m)) return 0;
    const BoardSquare& b = Board[move_from(m)];
    if (b.letter == 0 || b.colour != node.side) return 0;
    const MOVE* list = list_for(*b.piece, m);
    for (const MOVE* p = list; *p; ++p)
        if (same_move(*p, m)) return *p;
    return 0;
}

bool needs_test(const SearchNode& node, int slot) {
    return (node.testMask >> slot) & 1;
}

bool passes_legality(SearchNode& node, int slot, MOVE m) {
    return isLegal(node, slot, m, KingIndex[node.side], lastMoveInto(node)) == Legal;
}

// The gate every generated move passes: not the first move again, and legal when its piece
// needs the test.
bool accept(SearchNode& node, SearchFrame& f, int slot, MOVE m) {
    if (f.firstMove && same_move(m, f.firstMove)) return false;
    if (needs_test(node, slot) && !passes_legality(node, slot, m)) return false;
    f.legalMoveSeen = 1;
    return true;
}

MOVE hand_out(SearchFrame& f, MoveEntry& e) {
    e.tried = 1;
    f.current = &e;
    return e.move;
}

int horizon_ply(const SearchFrame& f) {
    return f.horizon / 4;
}

// No further quiet move when the node stands at (or one ply before) its horizon and its static
// score is too far below alpha: the node takes at most alpha from its static score.
bool frontier_cut(SearchNode& node, SearchFrame& f) {
    const int p = node.index;
    if (f.phase == 3 || p < horizon_ply(f) - 1) return false;
    if (f.staticEval + FutilityMargin >= f.alpha || f.entryAlpha >= MateThreshold) return false;
    if (f.staticEval + FutilityMargin > f.bestScore) {
        countNodeAndPoll(node);
        f.bestScore = int16_t(std::min<int>(f.alpha, f.staticEval + FutilityMargin));
        f.hasValue = 1;
        PvRows[p][0] = MarkEnd;
    }
    return true;
}

// Capture futility at horizon nodes: a capture that cannot bring the score near alpha is
// pruned unless it checks or leaves a passed pawn. True when the capture is to be searched.
bool capture_worth_searching(SearchNode& node, SearchFrame& f, MoveEntry& e) {
    const int gain = materialGain(e.move);
    const int estimate = f.staticEval + gain + FutilityMargin;
    if (estimate >= f.alpha || f.entryAlpha >= MateThreshold || same_move(e.move, f.firstMove))
        return true;
    if (e.checkFlag == 0) e.checkFlag = int8_t(givesCheck(node, e.move, node.side));
    if (e.checkFlag == 1) return true;
    if (move_mover(e.move) == TypePawn && passedPawnMove(node, e.move)) return true;
    e.tried = 2;
    if (estimate > f.bestScore) {
        countNodeAndPoll(node);
        f.bestScore = int16_t(estimate);
        f.hasValue = 1;
        PvRows[node.index][0] = MarkEnd;
    }
    return false;
}

// Exchange check of a quiet move the picker likes: returned at once unless it loses material.
MOVE exchange_check(SearchNode& node, SearchFrame& f, MoveEntry& e, int extension) {
    if (staticExchange(node, e.move) == ExchangeLoses) {
        e.orderKey = KeyUnsafe;
        e.extended = 0;
        return 0;
    }
    e.orderKey = KeyGoodQuiet;
    if (extension) {
        f.childHorizon = int16_t(f.childHorizon + extension);
        e.extended = uint8_t(extension);
    }
    return hand_out(f, e);
}

// Does the quiet move guard the threatened square: moving the piece on it away, or (when the
// threat is not real) covering it from the destination?
bool answers_threat(const SearchNode& node, const SearchFrame& f, MOVE m) {
    const int threat = f.threatSquare;
    if (move_from(m) == threat) return true;
    if (f.threatReal) return false;
    const int mover = move_mover(m);
    const int to = move_to(m);
    const Bitboard occupancy = node.occupancy & ~square_bit(move_from(m));
    return (pieceAttacks(TypeLetter[mover], node.side, to, occupancy) & square_bit(threat)) != 0;
}

// Examines one accepted quiet move of stage 128. Returns it when it is to be searched now;
// otherwise it stays in the list, deferred.
MOVE examine_quiet(SearchNode& node, SearchFrame& f, MoveEntry& e) {
    const int p = node.index;
    const MOVE m = e.move;
    if (f.suggestedMove && same_move(m, f.suggestedMove)) return exchange_check(node, f, e, 0);
    if (f.threatSquare >= 0 && answers_threat(node, f, m)) {
        if (quietDestinationSafe(node, m) != -1) return exchange_check(node, f, e, 0);
        e.orderKey = KeyUnsafe;
        return 0;
    }
    if (f.phase == 0) {
        e.checkFlag = int8_t(givesCheck(node, m, node.side));
        if (e.checkFlag == 1) return exchange_check(node, f, e, 0);
    }
    const int mover = move_mover(m);
    if (f.attackWindow && p >= f.iterationHorizon / 4 - 4 && mover >= TypeKnight &&
        mover <= TypeQueen && attackExtensionSquares(node, m)) {
        e.extended = 1;
        if (f.attackExtensions < MaxAttackExtensions) {
            f.childHorizon = int16_t(f.iterationHorizon + 4);
            e.extended = 4;
            e.attackExtended = 1;
        }
        return hand_out(f, e);
    }
    if (mover == TypePawn) {
        const int relativeRank =
            f.side == White ? rank_of(move_from(m)) : 7 - rank_of(move_from(m));
        if (relativeRank == 5 && p >= f.childHorizon / 4 - 4) return exchange_check(node, f, e, 4);
        if (relativeRank == 4 && f.phase >= 1 && p >= f.childHorizon / 4 - 4 &&
            passedPawnMove(node, m))
            return exchange_check(node, f, e, 4);
    }
    return 0;
}

bool killer_returned(const SearchFrame& f, MOVE m) {
    return (f.killersReturned[0] && same_move(m, f.killersReturned[0])) ||
           (f.killersReturned[1] && same_move(m, f.killersReturned[1]));
}

// Moves on the cursor to the next live piece of the side that has a list of the wanted kind.
bool next_piece(SearchNode& node, SearchFrame& f, bool captures) {
    for (; f.pickSlot <= LastPieceIndex[f.side]; ++f.pickSlot) {
        const PieceEntry& e = PieceList[f.pickSlot];
        if (e.letter == 0) continue;
        const MOVE* list = captures ? e.moves->captures : e.moves->quiet;
        if (*list == 0) continue;
        if (f.pickList == nullptr) {
            f.pickList = list;
            f.pickTested = uint8_t(needs_test(node, f.pickSlot));
        }
        return true;
    }
    return false;
}

void enter_captures(SearchFrame& f) {
    f.stage = StageCaptures;
    f.pickSlot = first_slot(f.side);
    f.pickList = nullptr;
}

void enter_deferred_captures(SearchFrame& f) {
    f.stage = StageDeferredCaptures;
    f.listCursor = 0;
}

void enter_quiet(SearchNode& node, SearchFrame& f) {
    f.pickSlot = first_slot(f.side);
    f.pickList = nullptr;
    if (f.inCheck) {
        f.stage = StageSortedQuiet;
        f.listSorted = 0;
        f.lmrAllowed = 0;
    } else {
        f.stage = StageQuiet;
        lmrAllowedAt(node);
    }
}

void finish_quiet_walk(SearchNode& node, SearchFrame& f) {
    f.listComplete = 1;
    f.stage = StageSortedQuiet;
    sortMoves(node, false, false, false);
    f.listSorted = 1;
    f.sortedCursor = 0;
}

} // namespace

int materialGain(MOVE m) {
    int gain = PieceValue[move_captured(m)];
    if (move_special(m) == MovePromotion)
        gain += PieceValue[move_promotion_type(m)] - PieceValue[TypePawn];
    return gain;
}

bool passedPawnMove(const SearchNode& node, MOVE m) {
    const int side = node.side;
    return (PassedMask[side * 64 + move_to(m)] & node.state->pawns[1 - side]) == 0;
}

Bitboard attackExtensionSquares(const SearchNode& node, MOVE m) {
    const SearchFrame& f = frame_of(node);
    const int side = node.side;
    const int from = move_from(m), to = move_to(m);
    const int mover = move_mover(m);
    const uint8_t letter = TypeLetter[mover];
    const Bitboard occupancy = node.occupancy & ~square_bit(from);
    const Bitboard fromDestination = pieceAttacks(letter, side, to, occupancy);
    const Bitboard fromOrigin =
        mover == TypeKnight ? 0 : pieceAttacks(letter, side, from, node.occupancy);
    const Bitboard fresh = fromDestination & ~fromOrigin;
    if (mover == TypeQueen) {
        const int enemyKing = node.state->kingSquare[1 - side];
        const Bitboard others = node.ownPawnAttacks | node.ownKnightAttacks |
                                node.ownBishopAttacks | node.ownRookAttacks | node.ownKingAttacks;
        return fresh & KingAttacks[enemyKing] & others & ~node.colourOccupancy[side];
    }
    if (mover == TypeKing || mover == TypePawn) return 0;
    return fresh & f.attackZone;
}

MoveEntry& addEntry(SearchFrame& f, MOVE m, int slot) {
    MoveEntry& e = f.moves[f.moveCount < MaxNodeMoves ? f.moveCount++ : MaxNodeMoves - 1];
    e = MoveEntry{};
    e.move = m;
    e.slot = uint8_t(slot);
    e.kind = PieceList[slot].kind;
    return e;
}

void lmrAllowedAt(SearchNode& node) {
    SearchFrame& f = frame_of(node);
    f.lmrAllowed = uint8_t(!f.inCheck && !NullMoveActive && f.phase != 3 && f.nodeType != PvNode);
}

void raiseKey(int32_t& counter, MoveEntry& entry) {
    ++counter;
    if (entry.orderKey < counter) {
        ++counter;
        entry.orderKey = counter;
    }
}

void startPicker(SearchNode& node) {
    SearchFrame& f = frame_of(node);
    f.moveCount = 0;
    f.listComplete = f.listSorted = 0;
    f.sortedCursor = 0;
    f.current = nullptr;
    f.killerIndex = 0;
    f.killersReturned[0] = f.killersReturned[1] = 0;
    if (f.firstMove) {
        const MOVE m = current_list_move(node, f.firstMove);
        const int slot = m ? Board[move_from(m)].slot : 0;
        if (m && (!needs_test(node, slot) || passes_legality(node, slot, m))) {
            f.legalMoveSeen = 1;
            f.firstMove = m;
            MoveEntry& e = addEntry(f, m, slot);
            e.orderKey = KeyFirstMove;
            f.stage = StageFirstMove;
            return;
        }
        f.firstMove = 0;
    }
    bool anyCapture = false;
    for (int slot = first_slot(f.side); slot <= LastPieceIndex[f.side] && !anyCapture; ++slot)
        anyCapture = PieceList[slot].letter != 0 && *PieceList[slot].moves->captures != 0;
    if (anyCapture)
        enter_captures(f);
    else
        enter_deferred_captures(f);
}

void startPreparedList(SearchNode& node) {
    SearchFrame& f = frame_of(node);
    sortMoves(node, true, false, false);
    f.stage = StagePrepared;
    f.sortedCursor = 0;
    f.current = nullptr;
}

void sortMoves(SearchNode& node, bool resetTried, bool resetUpperBounds, bool resetTableStates) {
    SearchFrame& f = frame_of(node);
    int count = 0;
    for (int i = 0; i < f.moveCount; ++i) {
        MoveEntry& e = f.moves[i];
        if (e.orderKey >= 0 && e.orderKey <= HighestRescoredKey) {
            if (f.phase >= 1 && move_mover(e.move) == TypePawn && passedPawnMove(node, e.move)) {
                e.orderKey = KeyGoodQuiet;
            } else {
                const int h = historyRatio(e.kind, move_to(e.move));
                e.historyPct = uint8_t(h > 255 ? 255 : h);
                e.orderKey = h > 0 ? KeyGoodQuiet + (h < 100 ? h : 100)
                                   : KeyPreferenceBase +
                                         MoveSquareDelta[(e.kind * 64 + move_from(e.move)) * 64 +
                                                         move_to(e.move)];
            }
        }
        if (resetTried) e.tried = 0;
        if (resetTableStates || (resetUpperBounds && e.hashBound == 1)) e.hashState = NotProbed;
        // Insertion before the first entry with a strictly smaller key keeps equal keys in
        // list order.
        int at = count;
        while (at > 0 && f.sorted[at - 1]->orderKey < e.orderKey) {
            f.sorted[at] = f.sorted[at - 1];
            --at;
        }
        f.sorted[at] = &e;
        ++count;
    }
    f.sorted[count] = nullptr;
}

MOVE nextMove(SearchNode& node) {
    SearchFrame& f = frame_of(node);
    const int p = node.index;
    for (;;) {
        switch (f.stage) {
        case StageFirstMove: {
            enter_captures(f);
            return hand_out(f, f.moves[0]);
        }
        case StageCaptures: {
            while (next_piece(node, f, true)) {
                const int slot = f.pickSlot;
                while (MOVE m = *f.pickList) {
                    ++f.pickList;
                    if (!accept(node, f, slot, m)) continue;
                    MoveEntry& e = addEntry(f, m, slot);
                    if ((m & MoveClassMask) == ClassBestCapture ||
                        staticExchange(node, m) == ExchangeWins) {
                        e.orderKey = KeyGoodCapture;
                        return hand_out(f, e);
                    }
                    e.orderKey = KeyDeferredCapture;
                }
                f.pickList = nullptr;
                ++f.pickSlot;
            }
            enter_deferred_captures(f);
            break;
        }
        case StageDeferredCaptures: {
            const bool futile = p == horizon_ply(f) && !f.inCheck && f.nodeType != PvNode;
            while (f.listCursor < f.moveCount) {
                MoveEntry& e = f.moves[f.listCursor++];
                if (e.tried) continue;
                if (futile && !capture_worth_searching(node, f, e)) continue;
                return hand_out(f, e);
            }
            if (f.killer1) {
                f.stage = StageKillers;
                f.killerIndex = 0;
            } else {
                enter_quiet(node, f);
                if (f.inCheck && frontier_cut(node, f)) return 0;
            }
            break;
        }
        case StageKillers: {
            while (f.killerIndex < 2) {
                const MOVE killer = f.killerIndex == 0 ? f.killer1 : f.killer2;
                ++f.killerIndex;
                if (killer == 0 || killer == NULL_MOVE) continue;
                // Both killers hold the same move after it was best twice in a row.
                if (f.killerIndex == 2 && killer_returned(f, killer)) continue;
                if (f.firstMove && same_move(killer, f.firstMove)) continue;
                const MOVE m = current_list_move(node, killer);
                if (!m) continue;
                const int slot = Board[move_from(m)].slot;
                if (needs_test(node, slot) && !passes_legality(node, slot, m)) continue;
                f.legalMoveSeen = 1;
                f.killersReturned[f.killerIndex - 1] = m;
                return hand_out(f, addEntry(f, m, slot));
            }
            enter_quiet(node, f);
            if (f.inCheck && frontier_cut(node, f)) return 0;
            break;
        }
        case StageQuiet: {
            while (next_piece(node, f, false)) {
                const int slot = f.pickSlot;
                while (MOVE m = *f.pickList) {
                    ++f.pickList;
                    if (killer_returned(f, m) || !accept(node, f, slot, m)) continue;
                    MoveEntry& e = addEntry(f, m, slot);
                    if (examine_quiet(node, f, e)) return e.move;
                }
                f.pickList = nullptr;
                ++f.pickSlot;
            }
            if (frontier_cut(node, f)) return 0;
            finish_quiet_walk(node, f);
            break;
        }
        case StageSortedQuiet: {
            if (!f.listSorted) {
                // In check: every quiet evasion in generation order.
                while (next_piece(node, f, false)) {
                    const int slot = f.pickSlot;
                    while (MOVE m = *f.pickList) {
                        ++f.pickList;
                        if (killer_returned(f, m) || !accept(node, f, slot, m)) continue;
                        return hand_out(f, addEntry(f, m, slot));
                    }
                    f.pickList = nullptr;
                    ++f.pickSlot;
                }
                f.listComplete = 1;
                return 0;
            }
            while (MoveEntry* e = f.sorted[f.sortedCursor]) {
                ++f.sortedCursor;
                if (!e->tried) return hand_out(f, *e);
            }
            return 0;
        }
        case StagePrepared: {
            while (MoveEntry* e = f.sorted[f.sortedCursor]) {
                ++f.sortedCursor;
                if (e->tried) continue;
                // The moves of a later pass are extended by the node's own rules alone.
                e->extended = 0;
                e->attackExtended = 0;
                return hand_out(f, *e);
            }
            return 0;
        }
        default: return 0;
        }
    }
}
