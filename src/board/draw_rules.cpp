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
