// Calls from the start-up and the dispatcher into subsystems that are not built yet. Each
// definition here does nothing and is removed when its subsystem lands.
#include "board/geometry.h"
#include "board/keys.h"
#include "board/move_table.h"
#include "board/perft.h"
#include "board/position.h"
#include "book/book.h"
#include "console/parameters.h"
#include "console/position_file.h"
#include "eval/eval_tables.h"
#include "platform/platform.h"
#include "record/game_record.h"
#include "search/hash_table.h"
#include "shell/game_loop.h"
#include "shell/settings.h"
#include "shell/think.h"
#include "uci/debug_commands.h"
#include "uci/dispatcher.h"
#include "uci/position_command.h"
#include "uci/uci_output.h"

void show_evaluation_command() {}
void append_game_move(uint8_t) {}
void ponder() {}
void load_book(uint8_t) {}
void parameters_dialogue() {}

// Until the game loop lands, UCI mode waits for commands for ever (it ends on quit or at the end
// of input) and console mode reads keys until the input ends.
void game_loop() {
    if (uci_mode)
        for (;;) uci_wait_for_command();
    while (platform_read_key() >= 0) {
    }
    engine_quit();
}
