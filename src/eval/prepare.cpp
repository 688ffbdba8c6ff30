#include "eval/prepare.h"

#include "board/move_table.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/eval_tables.h"

namespace {

// After the piece-square set changed: new board values, move deltas and move records of the
// game position, whose square-value sum the next ply starts from.
void reload_piece_square_values(SearchNode& node) {
    fill_piece_square_values();
    buildMoveSquareDelta();
    updateMoves(node, FullUpdate);
    PlyStates[1].squareValueTotal = PlyStates[0].squareValueTotal;
}

} // namespace

void prepare_evaluation() {
    SearchNode& node = SearchNodes[0];
    PlyState& root = PlyStates[0];
    root.phase = gamePhase(root);

    const bool kingsMoved = root.kingFile[Black] != middlegame_king_files[Black] ||
                            root.kingFile[White] != middlegame_king_files[White];
    if (kingsMoved && !endgame_tables_installed) {
        build_middlegame_tables();
        reload_piece_square_values(node);
        middlegame_king_files[Black] = root.kingFile[Black];
        middlegame_king_files[White] = root.kingFile[White];
    }
    if ((root.phase >= 1 || GamePly >= 80) && !endgame_tables_installed) {
        endgame_tables_installed = 1;
        install_endgame_tables();
        reload_piece_square_values(node);
    }
    refresh_accumulators(node);
}

void new_game_evaluation_tables() {
    endgame_tables_installed = 0;
    middlegame_king_files[Black] = PlyStates[0].kingFile[Black];
    middlegame_king_files[White] = PlyStates[0].kingFile[White];
    build_middlegame_tables();
    fill_piece_square_values();
}

void refresh_accumulators(SearchNode& node) {
    if (SearchPly >= max_depth - 1) return;
    PlyState& st = *node.state;
    int mobility = 0, extra = 0, squareValue = 0, material = 0;
    uint8_t promoters[2] = {0, 0}, placement[2] = {0, 0};
    uint16_t nonPawn[2] = {0, 0};
    uint8_t pawns[2] = {0, 0}, queens[2] = {0, 0}, rooks[2] = {0, 0}, bishops[2] = {0, 0},
            knights[2] = {0, 0};

    for (int colour = 0; colour < 2; ++colour) {
        const int sign = colour_sign(colour);
        for (int slot = 16 * (1 - colour); slot <= LastPieceIndex[colour]; ++slot) {
            const PieceEntry& piece = PieceList[slot];
            if (piece.letter == 0) continue;
            material += piece.value;
            switch (piece.letter) {
            case LetterPawn: ++pawns[colour]; break;
            case LetterKnight: ++knights[colour]; break;
            case LetterBishop: ++bishops[colour]; break;
            case LetterRook: ++rooks[colour]; break;
            case LetterQueen: ++queens[colour]; break;
            default: break;
            }
            if (piece.letter != LetterPawn && piece.letter != LetterKing)
                nonPawn[colour] = uint16_t(nonPawn[colour] + PieceValue[letter_type(piece.letter)]);
            const PieceMoveRecord* rec = piece.moves;
            if (!rec) continue;
            mobility += sign * (rec->mobilityScore + rec->mobilityCount);
            extra += sign * rec->extra;
            squareValue += rec->squareValue;
            promoters[colour] = uint8_t(promoters[colour] + rec->canPromote);
            placement[colour] = uint8_t(placement[colour] + rec->placementFlag);
        }
    }

    st.mobilityTotal = int16_t(mobility);
    st.extraTotal = int16_t(extra);
    st.squareValueTotal = int16_t(squareValue);
    st.material = int16_t(material);
    for (int colour = 0; colour < 2; ++colour) {
        st.promotersCount[colour] = promoters[colour];
        st.nonPawnMaterial[colour] = nonPawn[colour];
        st.pawnCount[colour] = pawns[colour];
        st.queenCount[colour] = queens[colour];
        st.rookCount[colour] = rooks[colour];
        st.bishopCount[colour] = bishops[colour];
        st.knightCount[colour] = knights[colour];
    }
    if (st.phase == 0 && !st.queenLost[Black] && !st.queenLost[White]) {
        st.placementTotal[Black] = placement[Black];
        st.placementTotal[White] = placement[White];
    }
}
