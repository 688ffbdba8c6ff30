// The root search: iterative deepening over the legal moves of the game position with an
// aspiration window, the decisions to stop or go deeper, and the emergency restart when the
// budget runs out before any iteration has completed.
#pragma once

#include <cstdint>

#include "board/types.h"

// Scores the game reads between searches (the dispatcher and the console's set-up reset them).
extern int16_t root_score;          // score of the last root search (root search)
extern int16_t last_reported_score; // score last shown or reported (game loop)

// Root state; written by the root search, read by the poll and the reports.
extern int16_t RootHorizon;             // horizon of the running iteration, quarter plies
extern int16_t RootScore;               // best score of the running iteration, side to move's view
extern int16_t RootAlpha, RootBeta;     // the aspiration window of the running iteration
extern int8_t RootSign;                 // +1 white to move at the root, -1 black
extern int16_t PrevScore;               // score of the last exact iteration, white's view
extern int16_t InfoDepth, InfoSelDepth; // horizons reported as depth and seldepth
extern uint8_t iteration_result;        // 1 failed low, 2 exact, 3 failed high
extern uint8_t iteration_has_best;      // a root move has been scored in this iteration
extern uint8_t window_widened;          // the window of this iteration was widened once
extern uint8_t budget_extended;         // the node budget was extended once in this search
extern uint8_t no_new_iteration;        // no further iteration may start
extern uint8_t restart_requested;       // the poll asks for a restart at 4 plies
extern uint8_t emergency_mode;          // the search runs its emergency restart
extern uint8_t root_moves_searched;     // root moves searched in this iteration
extern int8_t last_depth[2];            // per side, a running depth figure of earlier searches
extern uint8_t single_reply;            // the root had one legal move
extern uint8_t iteration_reported;      // the last completed iteration has its info line

// The root node is SearchNodes[1], a copy of the game position (node 0).
constexpr int RootPly = 1;

// Searches the game position (its moves generated) until a stop decision. Leaves the best move
// in PvRows[RootPly][0], the expected reply in PvRows[RootPly][1], PrevPv, PrevScore and
// root_score.
void rootSearch();

// The best move and the expected reply the last root search left.
MOVE rootBestMove();
MOVE rootPonderMove();

// Nodes a search that must go on gets beyond the current count: half of what was left of the
// move's budget from start on, at least 20000 (also when a restart moved start past the limit).
uint64_t extraNodeAllowance(uint64_t start);

// After an iteration failed low or high, before it is searched again with a wider window: once
// half of the node span is spent, the budget grows by extraNodeAllowance (also when the poll
// extended it before) and no new iteration may follow. Not in an unlimited search, in
// emergency mode or with a restart pending.
void extendBudgetAfterFailedIteration();

// Forgets everything earlier searches left for the next one (new game, bench, tests).
void resetRootState();
