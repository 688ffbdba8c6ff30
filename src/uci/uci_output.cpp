#include "uci/uci_output.h"

#include <cstdio>

#include "board/notation.h"
#include "core/settings.h"
#include "uci/dispatcher.h"

void send_bestmove(MOVE move, MOVE reply, bool with_reply) {
    if (!bestmove_due) return;
    bestmove_due = 0;
    if (move == 0) {
        std::printf("bestmove (none)\n");
    } else {
        std::printf("bestmove %s", move_to_uci(move));
        if (ponder_enabled && with_reply && is_real_move(reply))
            std::printf(" ponder %s", move_to_uci(reply));
        std::printf("\n");
    }
    std::fflush(stdout);
}
