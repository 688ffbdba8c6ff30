#include "core/settings.h"

const char* const engine_version = "Talvor 2.60a";

uint8_t uci_mode = 0;
uint8_t console_mode = 0;
uint8_t use_book = 1;
uint8_t own_book_option = 1;
uint8_t standard_start = 1;
uint8_t white_to_move_at_start = 1;
int8_t max_depth = 60;
uint8_t mode_char = 'C';
uint8_t sound = 0;
uint8_t ponder_enabled = 0;
uint8_t ponder_available = 1;
uint8_t display_tree = 0;
uint8_t stop_between_nodes = 0;
uint8_t stop_at_level_1 = 0;
int8_t move_credit_play = 0;
int8_t move_credit_input = 0;
