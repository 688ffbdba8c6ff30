// History counters of quiet moves, by moving piece kind and destination square, and the reset
// of the per-ply killers.
#pragma once

#include <cstdint>

#include "board/types.h"

// [kind][to]: how often a quiet move of that kind to that square was best / was tried, in the
// current search. Reset by resetSearchHistory at the start of every search; raised by the nodes.
extern uint32_t HistoryGood[KindCount][64];
extern uint32_t HistoryTried[KindCount][64];

// HistoryGood to 0 and HistoryTried to 1 everywhere (so every ratio starts at 0).
void resetSearchHistory();

// The history ratio h = HistoryGood * 100 / HistoryTried of a kind and destination.
inline int historyRatio(int kind, int to) {
    return int(HistoryGood[kind][to] * 100 / HistoryTried[kind][to]);
}

// Clears the killers of every ply (new game, bench, tests).
void clearKillers();
