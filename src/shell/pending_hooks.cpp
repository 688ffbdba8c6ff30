// Calls from the start-up and the game loop into subsystems that are not built yet. Each
// definition here stands in for its subsystem (most do nothing) and is removed when it lands.
#include <cstdio>

#include "console/move_entry.h"
#include "console/parameters.h"
#include "console/position_file.h"
#include "platform/platform.h"
#include "record/game_record.h"
#include "shell/settings.h"
#include "uci/uci_output.h"

// UCI mode passes the questionnaire once for the per-game defaults (mode, start position and
// clocks are installed by the start-up just before): the file names, then the record file of
// the game. The console questionnaire is still to come.
void parameters_dialogue() {
    if (!uci_mode) return;
    std::snprintf(position_file_name, sizeof position_file_name, "%s", "chessbd.pos");
    std::snprintf(game_file_name, sizeof game_file_name, "%s", DefaultGameFileName);
    std::fputs("\n\n\n", stdout);
    std::fflush(stdout);
    create_game_record_file();
}

// Until the console dialogue lands, the console reads keys until its input ends.
int human_move() {
    while (platform_read_key() >= 0) {
    }
    engine_quit();
}

int ponder_move_entry() {
    return 0;
}
