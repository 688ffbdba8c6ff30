#include "eval/prepare.h"

#include "board/position.h"
#include "eval/eval_tables.h"
#include "shell/settings.h"

uint8_t game_phase(uint16_t whiteNonPawn, uint16_t blackNonPawn) {
    if (whiteNonPawn == 0 && blackNonPawn == 0) return 3;
    if (whiteNonPawn >= 1001 && blackNonPawn >= 1001) return 0;
    if (whiteNonPawn > 500 || blackNonPawn > 500) return 1;
    return 2;
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
    st.extraTotal = int8_t(extra);
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
