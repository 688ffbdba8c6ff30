// The periodic poll of the search: stop requests from the GUI or the keyboard, the node and time
// budgets, budget extensions, and the speed calibration of a search that has no measured speed.
#pragma once

#include "board/types.h"
#include "search/search_flags.h"

// Called at every counted node: true when the search must stop now. Does its work only on
// every 16384th node.
bool poll(SearchNode& node);

// Counts one node and polls.
inline bool countNodeAndPoll(SearchNode& node) {
    ++node_count;
    return poll(node);
}

// Measures the speed of this search so far and rescales its node budget to it (the think step's
// budget assumed the last measured speed).
void calibrateSpeed();

// The budget is more than half spent.
bool halfBudgetSpent();
