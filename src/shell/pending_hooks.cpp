// Calls from the start-up and the dispatcher into subsystems that are not built yet. Each
// definition here does nothing and is removed when its subsystem lands.
#include <cstdio>

#include "board/position.h"
#include "book/book.h"
#include "console/move_entry.h"
#include "console/parameters.h"
#include "platform/platform.h"
#include "record/game_record.h"
#include "search/history.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "shell/game_loop.h"
#include "shell/settings.h"
#include "shell/think.h"
#include "shell/time_control.h"
#include "uci/dispatcher.h"
#include "uci/uci_output.h"

void append_game_move(uint8_t) {}
char game_file_name[GameFileNameSize] = "Chess.pgn";
int game_file_handle = -1;
void create_game_record_file() {}
int write_game_record(int, const char*, const GameHistoryEntry*, int) {
    return -1;
}
void reset_game_record() {}
MOVE book_move = 0;
bool probe_book() {
    return false;
}
bool book_update_due() {
    return false;
}
void learn_from_game(int8_t) {}
int human_move() {
    // Until the console dialogue lands, the console reads keys until its input ends.
    while (platform_read_key() >= 0) {
    }
    engine_quit();
}
void load_book(uint8_t) {}
void parameters_dialogue() {}

int ponder_move_entry() {
    return 0;
}
