// Program entry.
#include <cstdio>
#include <cstring>

#include "board/perft.h"
#include "platform/platform.h"
#include "shell/game_loop.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    if (!platform_init()) {
        std::fputs("Fatal Error: MFC initialization failed\n", stdout);
        std::fflush(stdout);
        return 1;
    }
    // A development tool beside the two run modes: counts move paths and ends.
    if (argc >= 2 && std::strcmp(argv[1], "perft") == 0) return perft_main(argc, argv);

    mode_request = mode_from_arguments(argc, argv);
    start_up();
    game_loop();
}
