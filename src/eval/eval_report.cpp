// The "eval" debugging command: the static evaluation of the game position with its main terms.
#include <cstdio>

#include "board/position.h"
#include "eval/evaluate.h"
#include "search/hash_table.h"
#include "uci/debug_commands.h"

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
