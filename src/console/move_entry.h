// Console move entry while the engine ponders.
#pragma once

// The player pressed S while the engine thinks on the opponent's time: reads the player's move
// or command. 0 the move is not the expected one, 1 it is, 2 a command was typed.
int ponder_move_entry();
