#include "search/report.h"

#include <cstdio>
#include <cstdlib>

#include "board/draw_rules.h"
#include "board/keys.h"
#include "board/legality.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/output.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "search/hash_table.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_hooks.h"
#include "search/search_node.h"

namespace {

constexpr int ReportDepth = 6; // shallower iterations are reported only with a mate
constexpr int MateOneScore = 8999;
constexpr int CycleLength = 4;
constexpr int FiftyMovePlies = 100;

char info_text[PvRowLength * 6 + 256];

int append(int at, const char* format, long long value) {
    if (at >= int(sizeof info_text)) return at;
    const int n = std::snprintf(info_text + at, sizeof info_text - size_t(at), format, value);
    return n < 0 ? at : at + n;
}

int append_text(int at, const char* text) {
    if (at >= int(sizeof info_text)) return at;
    const int n = std::snprintf(info_text + at, sizeof info_text - size_t(at), "%s", text);
    return n < 0 ? at : at + n;
}

// A move of the replayed line is legal when its piece, stepped over its moves on the current
// board, has it and the legality test accepts it.
bool legal_here(SearchNode& node, MOVE m) {
    if (!is_real_move(m)) return false;
    const BoardSquare& b = Board[move_from(m)];
    if (b.letter == 0 || b.colour != node.side) return false;
    if (move_captured(m) && move_special(m) != MoveEnPassant && Board[move_to(m)].letter == 0)
        return false;
    PieceMoveIterator it;
    startPieceMoves(it, *b.piece, node);
    while (MOVE candidate = nextPieceMove(it)) {
        if ((candidate & MoveIdentityMask) != (m & MoveIdentityMask)) continue;
        return isLegal(node, b.slot, m, KingIndex[node.side], lastMoveInto(node)) == Legal;
    }
    return false;
}

// The table's move for the position at node, when there is one and it is legal.
MOVE table_move(SearchNode& node, const KeyPair& key) {
    if (!HashEnabled) return 0;
    uint8_t code = 0, bound = 0;
    MOVE move = 0;
    int16_t score = 0;
    int8_t depth = 0;
    hashProbe(key, 0, code, move, score, bound, depth);
    if (code == ProbeMiss || !is_real_move(move)) return 0;
    const BoardSquare& b = Board[move_from(move)];
    if (b.letter == 0 || b.colour != node.side) return 0;
    // Complete the stored code from the piece's own list: the table keeps the move as it was.
    return legal_here(node, move) ? move : 0;
}

// Is the position after the last of the made moves of a line (keys of the positions after each)
// the third occurrence of itself, counting the game's positions since its last irreversible move?
bool third_occurrence(const KeyPair* keys, int made) {
    const KeyPair& now = keys[made - 1];
    int seen = 0;
    for (int k = made - 3; k >= 0; k -= 2) seen += keys[k] == now;
    const int gameIndex = GamePly - LastIrreversiblePly;
    // Game position j lies gameIndex - j plies before the root; the same side is to move when
    // that distance plus the made moves is even.
    for (int j = gameIndex - (made % 2 ? 1 : 0); j >= 0; j -= 2)
        if (j < KeyHistorySize) seen += KeyHistory[j] == now;
    return seen >= 2;
}

void print_square(int square) {
    std::printf("%c%d", 'A' + file_of(square), rank_of(square) + 1);
}

} // namespace

MOVE reported_move = 0;

const char* markerName(MOVE marker) {
    if (marker == NULL_MOVE) return "Null";
    static const char* const names[16] = {"",    "End",        "End2",       "50m",  "Rep",  "Mat",
                                          "Pat", "PA",         "AS",         "LMax", "Hash", "HEnd",
                                          "Ask", "Upperbound", "Lowerbound", "?"};
    return names[marker >> 28];
}

int extendLineFromTable(MOVE* row) {
    SearchNode* node = &SearchNodes[RootPly];
    const int startPly = SearchPly;
    KeyPair keys[PvRowLength];
    int made = 0;
    int i = 0;
    int reversible = GamePly - LastIrreversiblePly;
    for (; i < PvRowLength - 1; ++i) {
        if (RootPly + i >= max_depth) {
            row[i] = MarkMaxDepth;
            break;
        }
        MOVE m = row[i];
        if (m == MarkHash) {
            const KeyPair key = made ? keys[made - 1] : nodeKey(*node, false);
            m = table_move(*node, key);
            if (!m) {
                row[i] = MarkHashEnd;
                break;
            }
            row[i] = m;
            row[i + 1] = MarkHash;
        } else if (ends_line(m)) {
            // A row is written up to its null move only: what lies beyond belongs to other lines.
            break;
        } else if (!legal_here(*node, m)) {
            row[i] = MarkHashEnd;
            break;
        }
        SearchNode& child = playIntoChild(*node, m);
        keys[made] = fullKey(1);
        ++SearchPly;
        updateMoves(child, m);
        ++made;
        node = &child;
        // A line that repeats a position for the third time (with the game's positions), or
        // that reaches a hundred half-moves without capture or pawn move, ends there as a
        // draw: what would follow is never played.
        reversible = isIrreversible(m) ? 0 : reversible + 1;
        if (reversible >= FiftyMovePlies) {
            row[i + 1] = MarkFifty;
            ++i;
            break;
        }
        if (third_occurrence(keys, made)) {
            row[i + 1] = MarkRepetition;
            ++i;
            break;
        }
        bool cycle = false;
        for (int back = CycleLength; back <= 3 * CycleLength && made - 1 - back >= 0; back += 4)
            cycle |= keys[made - 1 - back] == keys[made - 1];
        if (cycle) {
            row[i + 1] = MarkHashEnd;
            ++i;
            break;
        }
    }
    for (int k = made - 1; k >= 0; --k) {
        --SearchPly;
        takeBackFromChild(SearchNodes[RootPly + k], row[k]);
    }
    SearchPly = int8_t(startPly);
    return i;
}

const char* iterationInfoText() {
    int at = 0;
    at = append(at, "depth %lld", InfoDepth / 4);
    at = append(at, " seldepth %lld", InfoSelDepth / 4);
    at = append(at, " time %lld", (long long)((now_seconds() - move_start_time) * 1000.0));
    at = append(at, " nodes %lld", (long long)uint32_t(node_count - nodes_at_move_start));
    const int score = RootScore;
    const bool lower = score >= RootBeta, upper = score <= RootAlpha;
    if (std::abs(score) < MateThreshold + 1) {
        at = append(at, " score cp %lld", score);
    } else {
        const int sign = score > 0 ? 1 : -1;
        const int moves = (lower || upper) ? 99 : (MateScore - std::abs(score)) / 2;
        at = append(at, " score mate %lld", moves * sign);
    }
    if (lower)
        at = append_text(at, " lowerbound");
    else if (upper)
        at = append_text(at, " upperbound");
    at = append_text(at, " pv");
    if (pondering && !ponder_hit && is_real_move(expected_move)) {
        at = append_text(at, " ");
        at = append_text(at, move_to_uci(expected_move));
    }
    const MOVE* row = PvRows[RootPly];
    int i = 0;
    for (; i < PvRowLength && !ends_line(row[i]); ++i) {
        at = append_text(at, " ");
        at = append_text(at, move_to_uci(row[i]));
    }
    // The line ends with the kind of its end marker (0 for an empty slot or the null move).
    append(at, " %lld", i < PvRowLength ? (long long)(row[i] >> 28) : 0);
    return info_text;
}

void reportIteration(bool forced) {
    if (!iteration_has_best) return;
    // With the tree display on, only the forced report of the search's end is shown.
    if (console_mode && (!pondering || ponder_hit) && (!display_tree || forced)) {
        std::printf("\nEvaluation : %d - Depth : %d - %llu\n", RootScore * RootSign,
                    RootHorizon / 4, (unsigned long long)node_count);
        if (RootScore <= RootAlpha) PvRows[RootPly][1] = MarkUpperBound;
        if (RootScore >= RootBeta) PvRows[RootPly][1] = MarkLowerBound;
        showTree(PvRows[RootPly], true);
        std::fflush(stdout);
    }
    if (uci_mode) {
        if (RootHorizon / 4 < ReportDepth && std::abs(RootScore) < MateOneScore && !forced) return;
        extendLineFromTable(PvRows[RootPly]);
        send_info(iterationInfoText());
        iteration_reported = 1;
        reported_move = PvRows[RootPly][0];
    }
}

void sendDepthLine() {
    char line[64];
    std::snprintf(line, sizeof line, "depth %d seldepth %d", InfoDepth / 4, InfoSelDepth / 4);
    send_info(line);
}

void sendCurrentMoveLine(MOVE m, int number) {
    char line[64];
    std::snprintf(line, sizeof line, "currmove %s currmovenumber %d", move_to_uci(m), number);
    send_info(line);
}

void showTree(MOVE* row, bool fromRoot) {
    bool justSeparated = false;
    for (int i = 0, printed = 0; i < PvRowLength && i < max_depth; ++i) {
        MOVE m = row[i];
        if (m == MarkHash && fromRoot) {
            std::printf(justSeparated ? "\b\b\b>> " : ">> ");
            extendLineFromTable(row);
            m = row[i];
        }
        if (ends_line(m)) {
            if (m != 0) std::printf("%s", markerName(m));
            break;
        }
        print_square(move_from(m));
        print_square(move_to(m));
        std::printf(" ");
        ++printed;
        justSeparated = printed % 2 == 0;
        if (justSeparated) std::printf("// ");
        if (printed % 12 == 0) std::printf("\n");
    }
    std::printf("\n");
    if (stop_between_nodes) search_hooks.wait_for_key();
}
