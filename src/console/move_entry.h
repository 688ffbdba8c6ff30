// Console move entry: the human's move or command, and the move typed while the engine
// ponders.
#pragma once

// The human's move (in best_move) or command: the game-status code (0 a move, 9/10 a side
// resigns, 88 the mode changed, 99 moves were taken back).
int human_move();

// The player pressed S while the engine thinks on the opponent's time: reads the player's move
// or command. 0 the move is not the expected one, 1 it is, 2 a command was typed.
int ponder_move_entry();
