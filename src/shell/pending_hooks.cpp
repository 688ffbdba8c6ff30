// Calls from the start-up and the dispatcher into subsystems that are not built yet. Each
// definition here does nothing and is removed when its subsystem lands.
#include "console/parameters.h"
#include "platform/platform.h"
#include "record/game_record.h"
#include "shell/game_loop.h"
#include "shell/settings.h"
#include "shell/think.h"
#include "uci/dispatcher.h"
#include "uci/uci_output.h"

void append_game_move(uint8_t) {}
void ponder() {}
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
