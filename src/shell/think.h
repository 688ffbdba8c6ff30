// The think step: time allocation, book or random first move, the root search, pondering.
#pragma once

// Searches on the opponent's time after the expected reply; leaves the reply ready for the game
// loop.
void ponder();
