#include "shell/settings.h"

uint8_t uci_mode = 0;
uint8_t console_mode = 0;
uint8_t use_book = 1;
uint8_t own_book_option = 1;
uint8_t standard_start = 1;
uint8_t white_to_move_at_start = 1;
int8_t max_depth = 60;
