// The game loop that both run modes share.
#pragma once

// Plays the game: asks the side to move for its move, makes it, detects draws, reports the move.
// Never returns.
[[noreturn]] void game_loop();
