#include "board/perft.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/legality.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/settings.h"
#include "uci/debug_commands.h"
#include "uci/fen.h"

namespace {

constexpr const char* StandardFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

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

std::string move_text(MOVE m) {
    std::string s;
    for (int sq : {move_from(m), move_to(m)}) {
        s += char('a' + file_of(sq));
        s += char('1' + rank_of(sq));
    }
    if (move_special(m) == MovePromotion) s += "nbrq"[move_promotion_type(m) - TypeKnight];
    return s;
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

uint64_t perftDivide(int depth) {
    SearchNode& root = SearchNodes[0];
    SearchPly = 0;
    root.side = SideToMove;
    updateMoves(root, FullUpdate);
    uint64_t total = 0;
    for_each_legal_move(root, [&](MOVE m) {
        uint64_t n = depth <= 1 ? 1 : through_child(root, m, [&](SearchNode& child) {
            return perft(child, depth - 1);
        });
        std::printf("%s: %llu\n", move_text(m).c_str(), static_cast<unsigned long long>(n));
        total += n;
    });
    std::printf("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
    std::fflush(stdout);
    return total;
}

void perft_command(int depth) {
    if (depth < 1) depth = 1;
    if (depth > MaxPly - 2) depth = MaxPly - 2;
    perftDivide(depth);
}

int perft_main(int argc, char** argv) {
    const long depth = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
    if (depth < 1 || depth > MaxPly - 2) {
        std::printf("usage: talvor perft <depth 1-%d> [FEN]\n", MaxPly - 2);
        return 1;
    }
    std::string fen = StandardFen;
    if (argc > 3) {
        fen = argv[3];
        for (int i = 4; i < argc; ++i) fen += std::string(" ") + argv[i];
    }
    initBoardRules();
    if (!load_fen_fields(fen.c_str()) ||
        !setupPosition(white_to_move_at_start ? White : Black, SetupEnPassant)) {
        std::printf("perft: position refused\n");
        return 1;
    }
    perftDivide(int(depth));
    return 0;
}
