// Console move entry: the human's move or command, and the move typed while the engine ponders.
#pragma once

#include <cstdint>

// A command typed while the engine pondered (TB, CM, WR, ...), taken as the next input by
// human_move; empty when none. Set by ponder_move_entry, cleared by human_move.
constexpr int PendingCommandSize = 8;
extern char pending_command[PendingCommandSize];
// A resignation was confirmed once: later ones need no confirmation. Cleared by the start-up.
extern uint8_t resign_confirmed;

// The human's move (in best_move) or command: the game-status code (0 a move, 9 white resigns,
// 10 black resigns, 88 the mode changed, 99 moves were taken back; 3, 4 or 5 when the player has
// no legal move: mated or stalemated). Ponders first when that is enabled and the engine plays a
// side. The player's move is charged to the player's clock: the time from the start of the turn
// (its fraction of a second carried to the next move) and the increment.
int human_move();

// The player pressed S while the engine thinks on the opponent's time: reads the player's move
// or command. 0 the move is not the expected one, 1 it is, 2 a command was typed (left in
// pending_command). The move is left in opponent_move with expected_move_played set.
int ponder_move_entry();

// A key while the engine thinks on the opponent's time (the search's poll asks): S lets the player
// type a move or a command (ponder_move_entry); the expected move sets ponder_hit. True when the
// ponder search must end.
bool console_ponder_key();

// Game-status code of a resignation word: 9 for WR, AB or BA (white resigns), 10 for BR, AN or
// NA (black resigns), 0 for any other text.
int resignation_status(const char* text);
