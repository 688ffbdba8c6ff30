#include "core/settings.h"

const char* const engine_version = "Talvor 2.60a";

uint8_t uci_mode = 0;
uint8_t console_mode = 0;
uint8_t use_book = 1;
uint8_t own_book_option = 1;
uint8_t standard_start = 1;
uint8_t white_to_move_at_start = 1;
int8_t max_depth = 60;
int8_t move_credit_play = 0;
int8_t move_credit_input = 0;
