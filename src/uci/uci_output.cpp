#include "uci/uci_output.h"

#include <cinttypes>
#include <cstdio>

#include "book/book.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "search/hash_table.h"
#include "search/search_flags.h"
#include "uci/dispatcher.h"

char uci_text_move[6];

namespace {

// UCI mode: the prefix and the text without its leading newlines; console mode: the text.
void write_message(const char* uciPrefix, const char* text) {
    if (uci_mode) {
        while (*text == '\n') ++text;
        std::printf("%s%s\n", uciPrefix, text);
    } else {
        std::printf("%s\n", text);
    }
    std::fflush(stdout);
}

} // namespace

void send_info(const char* text) {
    write_message("info ", text);
}

void send_info_string(const char* text) {
    write_message("info string ", text);
}

void report_io_error() {
    const char* message = "\nErreur P_456 : Disque - Pas de bibliothèque d'ouverture !";
    if (uci_mode) {
        const char* text = message + 1;
        while (*text == '\n') ++text;
        std::printf("info string %s en : %" PRIu64 "\n\n", text, node_count);
    } else {
        std::printf("%s en : %" PRIu64 "\n", message, node_count);
    }
    std::fflush(stdout);
}

void engine_quit() {
    release_book();
    release_game_history();
    freeHashTables();
    release_token_table();
    platform_exit(0);
}

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

const char* move_to_uci(MOVE move) {
    static const char PromotionLetters[4] = {'n', 'b', 'r', 'q'};
    const int from = move_from(move), to = move_to(move);
    uci_text_move[0] = char('a' + file_of(from));
    uci_text_move[1] = char('1' + rank_of(from));
    uci_text_move[2] = char('a' + file_of(to));
    uci_text_move[3] = char('1' + rank_of(to));
    uci_text_move[4] = '\0';
    if ((move & MoveSpecialMask) == MovePromotion) {
        uci_text_move[4] = PromotionLetters[(move & MovePromotionMask) >> MovePromotionShift];
        uci_text_move[5] = '\0';
    }
    return uci_text_move;
}
