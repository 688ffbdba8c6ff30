#include "search/search_state.h"

#include "board/make_move.h"
#include "search/hash_table.h"
#include "search/history.h"
#include "search/root_search.h"
#include "search/search_node.h"

int8_t SelDepth = 0;
uint8_t NullMoveActive = 0;
int8_t NullMovePly = 0;
int8_t NullMoveSign = 0;
int8_t PvSubtreePly = 0;
uint8_t AttackMode = 0;
int CheckPlyLimit = 255;

MOVE PvRows[MaxPly][PvRowLength];
MOVE PrevPv[MaxPly + 1];
SearchFrame SearchFrames[MaxPly];

void resetSearchState() {
    SelDepth = 0;
    NullMoveActive = 0;
    NullMovePly = NullMoveSign = 0;
    PvSubtreePly = 0;
    AttackMode = 0;
    CheckPlyLimit = 255;
    for (auto& row : PvRows)
        for (MOVE& m : row) m = 0;
    for (MOVE& m : PrevPv) m = 0;
    for (MOVE& m : ExpectedMoves) m = 0;
    for (SearchFrame& f : SearchFrames) f.killer1 = f.killer2 = 0;
}

void clearSearchMemory() {
    clearHashTable();
    clearPawnTable();
    resetSearchHistory();
    resetSearchState();
    resetRootState();
}
