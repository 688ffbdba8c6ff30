// Clock and search-limit settings. The UCI dispatcher sets them from "go", the start-up installs
// their defaults, the console questionnaire sets the clocks; the think step and the search's poll
// read them. Per-side arrays hold black at 0 and white at 1; times are in seconds.
#pragma once

#include <cstdint>

extern uint8_t on_clock;          // the budget comes from the clocks (0: node budget or unlimited)
extern uint8_t clock_running;     // the clocks run
extern uint8_t unlimited;         // no node or time limit (infinite, depth, mate)
extern uint8_t fixed_move_time;   // "movetime": the clock is the time for this move
extern int16_t moves_to_go;       // moves to the next time control, 0 = the whole game
extern int32_t side_clock[2];     // time on each side's clock (the C library owns the name clock)
extern int16_t increment[2];      // Fischer increment per move
extern int64_t clock_ms[2];       // the clocks as the interface gave them, in milliseconds
extern int64_t increment_ms[2];   // the increments in milliseconds
extern int32_t time_used[2];      // time each side has used (console clock keeping)
extern int64_t node_budget;       // node limit of a search that is not on the clock
extern int32_t go_depth_limit;    // depth limit in plies of the current "go", 0 = none
extern int32_t go_mate_moves;     // "go mate n": stop once a mate in n moves is found, 0 = none
extern uint8_t go_infinite;       // "go infinite": the answer waits for "stop"
extern int16_t time_factor;       // percent scaling the allotted time (170 for a new game)
extern uint8_t seconds_per_move;  // per-move time when the clocks do not run
extern uint32_t nodes_per_second; // measured speed (500000 until measured)
extern double reference_time;     // now_seconds() when the game settings were installed

// Budget of the move being searched; set by the think step, read (and extended) by the search.
extern int32_t allotted_time[2];     // seconds allotted to the current move of each side
extern double allotted_seconds;      // the same for the move being searched, to the millisecond
extern double hard_time_limit;       // seconds after move_start_time at which the search stops
extern double hard_time_ceiling;     // seconds after move_start_time that no extension passes
extern double move_start_time;       // now_seconds() when the move began
extern double search_start_time;     // now_seconds() when the search began
extern double current_time;          // now_seconds() at the search's latest clock check
extern int32_t last_move_time;       // seconds charged for the last engine move
extern uint64_t nodes_at_move_start; // node_count when the move's search began
extern uint64_t node_limit_at_move_start; // node_limit when the move's search began
extern uint8_t extra_time_flag;           // the root had one reply: the next budget grows by half
extern uint8_t easy_recapture;            // the budget was cut because the last move was a capture
extern uint8_t speed_measured;            // nodes_per_second holds a measurement of this engine

// The ceiling of a move whose clock sets none beyond its hard limit's own rules.
constexpr double NoTimeCeiling = 1e9;

// Wall-clock seconds with the milliseconds as fraction.
double now_seconds();

// Charges seconds of play to side's clock: the whole seconds go to time_used, the fraction is
// carried to the side's next charge, so that the clock follows the time that really went by
// (twenty moves of half a second cost ten seconds, not twenty).
void charge_clock(int side, double seconds);
// Forgets side's carried fraction: a new game, or a clock set by hand.
void reset_clock_carry(int side);
