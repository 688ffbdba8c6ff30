// The think step: time allocation, the random first move, the book move or the root search, the
// clock and speed bookkeeping after the move, and the search on the opponent's time.
#pragma once

#include <cstdint>

#include "board/root_moves.h"
#include "board/types.h"

// What the last think step decided; read by the game loop.
extern MOVE best_move;        // the move to play
extern MOVE expected_reply;   // the reply the search expects (ponder move), NO_MOVE if none
extern int16_t current_score; // its score, white's view

// What a search on the opponent's time found for the expected move; written by ponder.
extern uint8_t ponder_result_found;
extern MOVE ponder_best;
extern MOVE ponder_reply;
extern int16_t ponder_score;

// Console pondering keeps, while the board holds the expected reply, the legal moves of the
// player whose move is awaited and that player's colour: the move the player types meanwhile is
// looked up there (ponder_move_entry). Written by ponder.
extern MOVE ponder_player_moves[RootMoveCapacity + 1];
extern uint8_t ponder_player_side;

// Allots the time of the move of the side to move and turns it into the node limit: sets
// allotted_time, hard_time_limit, node_limit and easy_recapture.
void allocate_time();

// The time factor after a timed move: lowered when the search used more nodes than the
// unscaled budget (overspent), raised otherwise, kept within 50 ... 20000 (percent).
int next_time_factor(int factor, bool overspent);

// Did the search of a timed move, started at node count start, use more nodes (count - start)
// than its budget at time factor 100 (limitAtStart - start, scaled by 100 / factor)? After an
// emergency restart moved start past limitAtStart no budget is left, and the move overspent.
bool move_overspent(uint64_t start, uint64_t limitAtStart, uint64_t count, int factor);

// The engine's move: allocate the time, think, charge the clocks, measure the speed. Returns the
// game-status code.
int computer_move();

// A random first move from the standard position, a book move, or the root search. Returns the
// game-status code (1/2 the move mates, 3/4 the side to move is mated, 5 stalemate, else 0).
int think();

// Searches on the opponent's time after the expected reply (UCI: the interface already sent the
// position with it; console: it is made on the game board for the search and taken back after);
// leaves the reply ready for the game loop.
void ponder();

// The move the interface gets when a search on the opponent's time is stopped: the best move
// found so far, else the first legal move; 0 when there is none.
MOVE ponder_stop_move();
