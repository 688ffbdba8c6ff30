#include "search/history.h"

#include "search/search_node.h"

uint32_t HistoryGood[KindCount][64];
uint32_t HistoryTried[KindCount][64];

void resetSearchHistory() {
    for (int k = 0; k < KindCount; ++k)
        for (int sq = 0; sq < 64; ++sq) {
            HistoryGood[k][sq] = 0;
            HistoryTried[k][sq] = 1;
        }
}

void clearKillers() {
    for (SearchFrame& f : SearchFrames) f.killer1 = f.killer2 = 0;
}
