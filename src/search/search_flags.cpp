#include "search/search_flags.h"

uint8_t abort_search = 0;
uint8_t abort_ponder = 0;
uint8_t stop_deepening = 0;
uint8_t stop_at_root = 0;

uint8_t pondering = 0;
uint8_t ponder_hit = 0;
MOVE expected_move = 0;
uint8_t expected_move_played = 0;
MOVE opponent_move = 0;
uint8_t gui_stop = 0;

uint64_t node_count = 0;
uint64_t node_limit = 0;

void raise_full_stop() {
    abort_search = 1;
    abort_ponder = 1;
    stop_deepening = 1;
    stop_at_root = 1;
}

void raise_soft_stop() {
    stop_deepening = 1;
    abort_search = 1;
}
