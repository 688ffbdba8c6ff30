#include "search/quiescence_picker.h"

#include <algorithm>
#include <initializer_list>

#include "board/geometry.h"
#include "board/keys.h"
#include "board/legality.h"
#include "board/position.h"
#include "search/exchange.h"
#include "search/hash_table.h"
#include "search/move_picker.h"
#include "search/search_node.h"

namespace {

constexpr int DeltaMargin = 20;

// Stages of the quiescence picker.
enum QuiescenceStage : int {
    QsFirstMove,
    QsCaptures,
    QsBuckets,
    QsChecks,
    QsEvasions,
    QsDone,
};

// Buckets (MoveEntry::bucket): 0 = not deferred. Captures of classes 3, 4, 5 and 6-7, then the
// captures kept back on a forced line; evasions use the first four for captures and the fifth
// for quiet moves.
constexpr int BucketCount = 5;
constexpr int KeptBackBucket = 5;
constexpr int QuietEvasionBucket = 5;

bool same_move(MOVE a, MOVE b) {
    return (a & MoveIdentityMask) == (b & MoveIdentityMask);
}

bool is_quiet(MOVE m) {
    return move_captured(m) == 0 && move_special(m) != MovePromotion;
}

bool tested(const SearchNode& node, int slot) {
    return (node.testMask >> slot) & 1;
}

bool legal(SearchNode& node, int slot, MOVE m) {
    return !tested(node, slot) ||
           isLegal(node, slot, m, KingIndex[node.side], lastMoveInto(node)) == Legal;
}

int capture_class(MOVE m) {
    return int((m & MoveClassMask) >> MoveClassShift);
}

// Squares from which a piece of this letter checks the enemy king directly (the destinations
// direct_check accepts).
Bitboard checking_squares(const SearchNode& node, uint8_t letter) {
    const PlyState& s = *node.state;
    const int enemy = node.opponent;
    switch (letter) {
    case LetterKnight: return KnightAttacks[s.kingSquare[enemy]];
    case LetterBishop: return s.diagonalCheckRays[enemy];
    case LetterRook: return s.straightCheckRays[enemy];
    case LetterQueen: return s.allCheckRays[enemy];
    case LetterPawn: return PawnAttacks[node.side * 64 + s.kingSquare[enemy]];
    default: return 0;
    }
}

// Does a quiet move of this piece check the enemy king directly from its destination?
bool direct_check(const SearchNode& node, MOVE m) {
    return (checking_squares(node, TypeLetter[move_mover(m)]) & square_bit(move_to(m))) != 0;
}

// Does a quiet move check the enemy king: directly from its destination, or for a king move by
// the king-move test (a castling rook or a discovered check)?
bool quiet_check(SearchNode& node, MOVE m) {
    if (move_mover(m) == TypeKing) return givesCheck(node, m, node.side) == 1;
    return direct_check(node, m);
}

// The first move is taken when its piece still has it; a quiet one only as a check on the plies
// where checks are searched (in check too: the evasions follow it anyway).
bool accept_first_move(SearchNode& node, SearchFrame& f) {
    const MOVE wanted = f.firstMove;
    f.firstMove = 0;
    if (!is_real_move(wanted)) return false;
    const BoardSquare& b = Board[move_from(wanted)];
    if (b.letter == 0 || b.colour != node.side) return false;
    const PieceEntry& piece = *b.piece;
    MOVE found = 0;
    for (const MOVE* list : {piece.moves->captures, piece.moves->quiet}) {
        for (const MOVE* p = list; *p && !found; ++p)
            if (same_move(*p, wanted)) found = *p;
    }
    if (!found) return false;
    if (is_quiet(found) && (node.index > f.checkPlyLimit || !quiet_check(node, found)))
        return false;
    if (!legal(node, b.slot, found)) return false;
    f.firstMove = found;
    MoveEntry& e = addEntry(f, found, b.slot);
    e.orderKey = KeyFirstMove;
    return true;
}

// A capture that cannot raise alpha, or that loses material, is not searched; the node then
// knows its value is at most what the capture could have brought (never above its entry alpha).
void prune(SearchFrame& f, int gain) {
    const int estimate = f.staticEval + gain + DeltaMargin;
    int floor = std::max<int>(f.deltaFloor, estimate);
    f.deltaFloor = int16_t(std::min<int>(f.entryAlpha, floor));
    if (f.bestScore < f.deltaFloor) f.bestScore = f.deltaFloor;
}

MOVE hand_out(SearchFrame& f, MoveEntry& e) {
    e.tried = 1;
    f.current = &e;
    return e.move;
}

void generate_evasions(SearchNode& node, SearchFrame& f) {
    const int side = node.side;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& piece = PieceList[slot];
        if (piece.letter == 0) continue;
        for (const MOVE* list : {piece.moves->captures, piece.moves->quiet}) {
            for (const MOVE* p = list; *p; ++p) {
                const MOVE m = *p;
                if (f.firstMove && same_move(m, f.firstMove)) continue;
                if (!legal(node, slot, m)) continue;
                MoveEntry& e = addEntry(f, m, slot);
                // King moves, interpositions and en passant share the last list.
                if (is_quiet(m) || move_special(m) == MoveEnPassant) {
                    e.bucket = QuietEvasionBucket;
                    continue;
                }
                const int c = capture_class(m);
                e.bucket = c <= 1 ? 1 : c == 4 ? 2 : c == 5 ? 3 : c >= 6 && c <= 7 ? 4 : 5;
            }
        }
    }
}

// Next entry of the buckets in order, in list order within a bucket.
MoveEntry* next_bucketed(SearchFrame& f) {
    while (f.bucketStage < BucketCount) {
        while (f.listCursor < f.moveCount) {
            MoveEntry& e = f.moves[f.listCursor++];
            if (!e.tried && e.bucket == f.bucketStage + 1) return &e;
        }
        ++f.bucketStage;
        f.listCursor = 0;
    }
    return nullptr;
}

// One capture or promotion of the walk: returned at once, deferred into a bucket, kept back,
// or pruned.
MOVE classify_capture(SearchNode& node, SearchFrame& f, int slot, MOVE m) {
    const int gain = materialGain(m);
    int c = capture_class(m);
    if ((node.enemyAttacks & square_bit(move_to(m))) == 0) c = move_captured(m) == TypePawn ? 3 : 0;
    if (f.staticEval + gain + DeltaMargin > f.alpha) {
        if (c == 0 || c == 2 || c >= 8) return hand_out(f, addEntry(f, m, slot));
        if (c == 1) {
            if (staticExchange(node, m) == ExchangeLoses) {
                prune(f, gain);
                return 0;
            }
            return hand_out(f, addEntry(f, m, slot));
        }
        MoveEntry& e = addEntry(f, m, slot);
        e.bucket = uint8_t(c == 3 ? 1 : c == 4 ? 2 : c == 5 ? 3 : 4);
        return 0;
    }
    if (f.forcedLine) {
        addEntry(f, m, slot).bucket = KeptBackBucket;
        return 0;
    }
    if (node.pinCandidateFlag && node.pinCandidateSlot == slot)
        return hand_out(f, addEntry(f, m, slot));
    if (f.bestScore > f.entryAlpha) return 0;
    prune(f, gain);
    return 0;
}

// Quiet checks: knights and queens first, then the other pieces.
MOVE next_quiet_check(SearchNode& node, SearchFrame& f) {
    const int side = node.side;
    while (f.checkStage < 3) {
        const bool knightsAndQueens = f.checkStage == 1;
        for (; f.pickSlot <= LastPieceIndex[side]; ++f.pickSlot) {
            const PieceEntry& piece = PieceList[f.pickSlot];
            const bool wanted = piece.letter == LetterKnight || piece.letter == LetterQueen;
            if (piece.letter == 0 || piece.letter == LetterKing || wanted != knightsAndQueens)
                continue;
            if (f.pickList == nullptr) {
                // A piece that reaches no checking square has no quiet check to look at.
                if ((piece.moves->attacks & checking_squares(node, piece.letter)) == 0) continue;
                f.pickList = piece.moves->quiet;
            }
            while (MOVE m = *f.pickList) {
                ++f.pickList;
                if (move_special(m) == MovePromotion || !direct_check(node, m)) continue;
                if (f.firstMove && same_move(m, f.firstMove)) continue;
                if (!legal(node, f.pickSlot, m)) continue;
                if (piece.letter == LetterQueen && (node.enemyAttacks & square_bit(move_to(m))))
                    continue;
                if (staticExchange(node, m) == ExchangeLoses) continue;
                MoveEntry& e = addEntry(f, m, f.pickSlot);
                e.checkFlag = 1;
                return hand_out(f, e);
            }
            f.pickList = nullptr;
        }
        ++f.checkStage;
        f.pickSlot = 16 * (1 - side);
        f.pickList = nullptr;
    }
    return 0;
}

// The picker will hand out these moves unless the node is cut first: their children's table
// slots are fetched together now, so that the memory latencies overlap instead of adding up one
// move after another.
void prefetch_children(const SearchNode& node, const SearchFrame& f) {
    for (int i = 0; i < f.moveCount; ++i) hashPrefetch(predictChildKey32(node, f.moves[i].move));
    if (f.inCheck) return;
    const int side = node.side;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& piece = PieceList[slot];
        if (piece.letter == 0) continue;
        // Captures that cannot bring the score near alpha are pruned, not searched (unless
        // kept back on a forced line or made by the discovered-check candidate): a fetch for
        // them would only take memory bandwidth from the ones that are.
        const bool allKept =
            f.forcedLine || (node.pinCandidateFlag && node.pinCandidateSlot == slot);
        for (const MOVE* p = piece.moves->captures; *p; ++p)
            if (allKept || f.staticEval + materialGain(*p) + DeltaMargin > f.alpha)
                hashPrefetch(predictChildKey32(node, *p));
    }
}

} // namespace

int countLegalMoves(SearchNode& node) {
    const int side = node.side;
    int n = 0;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& piece = PieceList[slot];
        if (piece.letter == 0) continue;
        if (!tested(node, slot)) {
            n += piece.moves->mobilityCount;
            continue;
        }
        for (const MOVE* list : {piece.moves->captures, piece.moves->quiet})
            for (const MOVE* p = list; *p; ++p)
                if (legal(node, slot, *p)) ++n;
    }
    return n;
}

void startQuiescencePicker(SearchNode& node) {
    SearchFrame& f = SearchFrames[node.index];
    f.moveCount = 0;
    f.listCursor = 0;
    f.bucketStage = 0;
    f.checkStage = 1;
    f.pickSlot = 16 * (1 - node.side);
    f.pickList = nullptr;
    f.current = nullptr;
    const bool first = accept_first_move(node, f);
    if (f.inCheck) generate_evasions(node, f);
    f.stage = first ? QsFirstMove : f.inCheck ? QsEvasions : QsCaptures;
    prefetch_children(node, f);
}

MOVE nextQuiescenceMove(SearchNode& node) {
    SearchFrame& f = SearchFrames[node.index];
    for (;;) {
        switch (f.stage) {
        case QsFirstMove:
            f.stage = f.inCheck ? QsEvasions : QsCaptures;
            return hand_out(f, f.moves[0]);
        case QsEvasions: {
            if (MoveEntry* e = next_bucketed(f)) return hand_out(f, *e);
            f.stage = QsDone;
            break;
        }
        case QsCaptures: {
            const int side = node.side;
            for (; f.pickSlot <= LastPieceIndex[side]; ++f.pickSlot) {
                const PieceEntry& piece = PieceList[f.pickSlot];
                if (piece.letter == 0) continue;
                if (f.pickList == nullptr) f.pickList = piece.moves->captures;
                while (MOVE m = *f.pickList) {
                    ++f.pickList;
                    if (f.firstMove && same_move(m, f.firstMove)) continue;
                    if (!legal(node, f.pickSlot, m)) continue;
                    if (MOVE now = classify_capture(node, f, f.pickSlot, m)) return now;
                }
                f.pickList = nullptr;
            }
            f.stage = QsBuckets;
            f.listCursor = 0;
            f.bucketStage = 0;
            break;
        }
        case QsBuckets: {
            while (MoveEntry* e = next_bucketed(f)) {
                if (staticExchange(node, e->move) == ExchangeLoses) {
                    e->tried = 2;
                    prune(f, materialGain(e->move));
                    continue;
                }
                return hand_out(f, *e);
            }
            f.stage = f.checksAllowed ? QsChecks : QsDone;
            f.pickSlot = 16 * (1 - node.side);
            f.pickList = nullptr;
            f.checkStage = 1;
            break;
        }
        case QsChecks: {
            if (MOVE m = next_quiet_check(node, f)) return m;
            f.stage = QsDone;
            break;
        }
        default: return 0;
        }
    }
}
