#include "fen_fixture.h"

#include "board/draw_rules.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"

MOVE play_game_move(const char* from, const char* to, int promotion) {
    SearchNode& root = SearchNodes[0];
    MOVE m = find_move(root, from, to, promotion);
    if (m == 0) return 0;
    makeMove(root, m);
    updateCastlingRights(root, m);
    ++GamePly;
    if (isIrreversible(m)) {
        LastIrreversiblePly = GamePly;
        PlyStates[0].lastIrreversible = uint16_t(GamePly);
    }
    updateMoves(root, FullUpdate);
    storeKeyHistory(0, fullKey(0));
    return m;
}
