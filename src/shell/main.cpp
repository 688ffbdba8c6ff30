// Program entry.
#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "platform/platform.h"
#include "shell/bench.h"
#include "shell/game_loop.h"
#include "shell/startup.h"
#include "uci/debug_commands.h"

namespace {

void print_help() {
    std::printf("%s, a chess engine.\n\n"
                "Usage:\n"
                "  talvor                  wait up to 10 s for \"uci\" or \"console\" on standard "
                "input (UCI after that)\n"
                "  talvor uci | -uci       speak UCI with a chess GUI on standard input/output\n"
                "  talvor console | -console\n"
                "                          play in the terminal (French/English dialogue)\n"
                "  talvor perft <depth> [FEN]\n"
                "                          count the move paths of the standard or given "
                "position\n"
                "  talvor bench [depth]    search the benchmark positions to a fixed depth (%d "
                "by default)\n"
                "                          and print the time, the node total and the speed\n"
                "  talvor --help           this text\n"
                "  talvor --version        the name and version\n",
                engine_version, BenchDefaultDepth);
}

} // namespace

int main(int argc, char** argv) {
    if (!platform_init()) {
        std::fputs("Fatal Error: MFC initialization failed\n", stdout);
        std::fflush(stdout);
        return 1;
    }
    install_engine_hooks();
    // Development tools and information beside the two run modes: each does its job and ends.
    if (argc >= 2) {
        const char* word = argv[1];
        if (std::strcmp(word, "perft") == 0) return perft_main(argc, argv);
        if (std::strcmp(word, "bench") == 0) return bench_main(argc, argv);
        if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0) {
            print_help();
            return 0;
        }
        if (std::strcmp(word, "--version") == 0) {
            std::printf("%s\n", engine_version);
            return 0;
        }
    }

    mode_request = mode_from_arguments(argc, argv);
    start_up();
    game_loop();
}
