// The opening book pellan.txt: loading, probe and update.
#pragma once

#include <cstdint>

// Reads the book file into the book's move table and text (parse_all 1 at start-up, 0 after an
// update) and reports the number of games loaded.
void load_book(uint8_t parse_all);
