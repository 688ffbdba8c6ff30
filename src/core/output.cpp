#include "core/output.h"

#include <cinttypes>
#include <cstdio>

#include "core/game_history.h"
#include "core/settings.h"
#include "platform/platform.h"

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

void release_nothing() {}

} // namespace

void (*release_at_quit)() = release_nothing;

void send_info(const char* text) {
    write_message("info ", text);
}

void send_info_string(const char* text) {
    write_message("info string ", text);
}

void report_io_error(uint64_t nodes) {
    const char* message = "\nErreur P_456 : Disque - Pas de bibliothèque d'ouverture !";
    if (uci_mode) {
        const char* text = message + 1;
        while (*text == '\n') ++text;
        std::printf("info string %s en : %" PRIu64 "\n\n", text, nodes);
    } else {
        std::printf("%s en : %" PRIu64 "\n", message, nodes);
    }
    std::fflush(stdout);
}

void engine_quit() {
    release_at_quit();
    release_game_history();
    platform_exit(0);
}
