#include "board/draw_rules.h"

#include "board/position.h"

int repetitionStatus(MOVE m, const KeyPair& key, int lastIrreversible) {
    if (move_mover(m) == TypePawn || move_special(m) != 0) return NoRepetition;
    if (SearchPly + GamePly - lastIrreversible < 4) return NoRepetition;
    int gameIndex = GamePly - LastIrreversiblePly;
    int lowest = lastIrreversible - LastIrreversiblePly;
    int gameMatches = 0, treeMatches = 0;
    for (int i = gameIndex + SearchPly - 2; i >= lowest && i >= 0; i -= 2) {
        if (i >= KeyHistorySize || !(KeyHistory[i] == key)) continue;
        if (i >= gameIndex - 1) {
            if (SearchPly > 2) return RepetitionDraw;
            ++treeMatches;
        } else {
            ++gameMatches;
        }
    }
    if (gameMatches == 2 || gameMatches == 3 || treeMatches >= 1) return RepetitionDraw;
    if (gameMatches == 0) return NoRepetition;
    return SearchPly >= 3 ? RepetitionDraw : EarlierGamePosition;
}

void storeKeyHistory(int searchPly, const KeyPair& key) {
    int index = GamePly - LastIrreversiblePly + searchPly;
    if (index >= 0 && index < KeyHistorySize) KeyHistory[index] = key;
}

bool fiftyMoveDraw() {
    return GamePly - LastIrreversiblePly >= 100;
}

bool insufficientMaterial() {
    int knights = 0;
    int bishops[2] = {};       // by colour of the bishop's side
    int bishopSquares[2] = {}; // by colour of the square: dark 0, light 1
    for (const BoardSquare& square : Board) {
        switch (square.letter) {
        case 0:
        case LetterKing: break;
        case LetterKnight: ++knights; break;
        case LetterBishop:
            ++bishops[square.colour];
            ++bishopSquares[(square.file + square.rank) % 2];
            break;
        default: return false; // a pawn, a rook or a queen
        }
    }
    const int minors = knights + bishops[White] + bishops[Black];
    if (minors <= 1) return true;
    return knights == 0 && bishops[White] == 1 && bishops[Black] == 1 &&
           (bishopSquares[0] == 2 || bishopSquares[1] == 2);
}
