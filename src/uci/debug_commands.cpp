#include "uci/debug_commands.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/legality.h"
#include "board/notation.h"
#include "board/perft.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/evaluate.h"
#include "search/hash_table.h"
#include "shell/bench.h"
#include "uci/fen.h"

namespace {

constexpr const char* StandardFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Prints "<move>: <count>" per root move of the game position, a blank line and the total.
void print_perft_divide(int depth) {
    MOVE moves[PerftMoveCapacity];
    uint64_t counts[PerftMoveCapacity];
    const int count = perftDivide(depth, moves, counts);
    uint64_t total = 0;
    for (int i = 0; i < count; ++i) {
        std::printf("%s: %llu\n", move_to_uci(moves[i]),
                    static_cast<unsigned long long>(counts[i]));
        total += counts[i];
    }
    std::printf("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
    std::fflush(stdout);
}

} // namespace

bool run_debug_command(const std::string& line) {
    if (line == "d") {
        show_position_command();
        return true;
    }
    if (line == "eval") {
        show_evaluation_command();
        return true;
    }
    if (line.rfind("perft ", 0) == 0) {
        // strtol saturates instead of overflowing; perft_command clamps to the search depth.
        const long depth = std::strtol(line.c_str() + 6, nullptr, 10);
        perft_command(depth < -1000 ? -1000 : depth > 1000 ? 1000 : int(depth));
        return true;
    }
    if (line == "bench" || line.rfind("bench ", 0) == 0) {
        const long depth = line.size() > 6 ? std::strtol(line.c_str() + 6, nullptr, 10) : 0;
        bench_command(depth < 0 ? 0 : depth > 1000 ? 1000 : int(depth));
        return true;
    }
    return false;
}

void perft_command(int depth) {
    if (depth < 1) depth = 1;
    if (depth > MaxPly - 2) depth = MaxPly - 2;
    print_perft_divide(depth);
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
    print_perft_divide(int(depth));
    return 0;
}

void show_evaluation_command() {
    SearchNode& node = SearchNodes[0];
    const PlyState& st = PlyStates[0];
    // Prepare what a search from this position would: the pawn summary and the root figures.
    pawnHashProbe(node);
    root_side = int8_t(colour_sign(SideToMove));
    root_king_distance = uint8_t(square_distance(st.kingSquare[White], st.kingSquare[Black]));
    const int16_t score = evaluate(node);

    std::printf("Phase: %d\n", st.phase);
    std::printf("Material: %d\n", st.material);
    std::printf("Pawn structure: %d (passed pawns: white %d, black %d)\n", st.pawnScore,
                st.passedCount[White], st.passedCount[Black]);
    std::printf("Castle scores: white %d, black %d\n", st.castleScore[White],
                st.castleScore[Black]);
    std::printf("Open lines: white %d, black %d\n", st.openLineDanger[White],
                st.openLineDanger[Black]);
    std::printf("Mobility: %d\n", st.mobilityTotal);
    std::printf("Piece squares: %d\n", st.squareValueTotal);
    std::printf("King activity: %d\n", king_activity(node));
    std::printf("Draw class: %d\n", material_draw_class(node));
    std::printf("Evaluation: %d\n", score);
    std::fflush(stdout);
}
