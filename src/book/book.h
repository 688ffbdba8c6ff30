// The opening book pellan.txt: loading, probe and update.
#pragma once

#include <cstdint>

#include "board/types.h"

// Reads the book file into the book's move table and text (parse_all 1 at start-up, 0 after an
// update) and reports the number of games loaded.
void load_book(uint8_t parse_all);

// The root move chosen by the last successful probe.
extern MOVE book_move;

// Looks the game position up in the book. True: book_move holds the move to play. False: the
// book is left for the rest of the game.
bool probe_book();

// The game has left the book after playing book moves, and the book may learn from it.
bool book_update_due();
// Teaches the book the game's result (+1 White won, -1 Black won, 0 otherwise).
void learn_from_game(int8_t result);
