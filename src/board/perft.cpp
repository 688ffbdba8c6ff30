#include "board/perft.h"

#include <initializer_list>

#include "board/legality.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"

namespace {

// Calls visit(move) for every legal move of the side to move at node.
template <typename Visit> void for_each_legal_move(SearchNode& node, Visit visit) {
    int side = node.side;
    int kingSlot = KingIndex[side];
    MOVE last = lastMoveInto(node);
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.letter == 0) continue;
        const PieceMoveRecord* r = e.moves;
        bool test = (node.testMask >> slot) & 1;
        for (const MOVE* list : {r->captures, r->quiet}) {
            for (const MOVE* p = list; *p; ++p) {
                if (test && isLegal(node, slot, *p, kingSlot, last) != Legal) continue;
                visit(*p);
            }
        }
    }
}

// Slots outside testMask need no legality test, so their list lengths are their counts.
uint64_t count_legal_moves(SearchNode& node) {
    int side = node.side;
    int kingSlot = KingIndex[side];
    MOVE last = lastMoveInto(node);
    uint64_t n = 0;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.letter == 0) continue;
        const PieceMoveRecord* r = e.moves;
        if (((node.testMask >> slot) & 1) == 0) {
            n += r->mobilityCount;
            continue;
        }
        for (const MOVE* list : {r->captures, r->quiet})
            for (const MOVE* p = list; *p; ++p)
                if (isLegal(node, slot, *p, kingSlot, last) == Legal) ++n;
    }
    return n;
}

// The search's calling protocol for one move from node.
template <typename Below> uint64_t through_child(SearchNode& node, MOVE m, Below below) {
    SearchNode& child = playIntoChild(node, m);
    ++SearchPly;
    updateMoves(child, m);
    uint64_t n = below(child);
    --SearchPly;
    takeBackFromChild(node, m);
    return n;
}

} // namespace

uint64_t perft(SearchNode& node, int depth) {
    if (depth <= 0) return 1;
    if (depth == 1) return count_legal_moves(node);
    if (node.index + 1 >= MaxPly) return 0;
    uint64_t n = 0;
    for_each_legal_move(node, [&](MOVE m) {
        n += through_child(node, m, [&](SearchNode& child) { return perft(child, depth - 1); });
    });
    return n;
}

int perftDivide(int depth, MOVE* moves, uint64_t* counts) {
    SearchNode& root = SearchNodes[0];
    SearchPly = 0;
    root.side = SideToMove;
    updateMoves(root, FullUpdate);
    int count = 0;
    for_each_legal_move(root, [&](MOVE m) {
        if (count >= PerftMoveCapacity) return;
        moves[count] = m;
        counts[count++] = depth <= 1 ? 1 : through_child(root, m, [&](SearchNode& child) {
            return perft(child, depth - 1);
        });
    });
    return count;
}
