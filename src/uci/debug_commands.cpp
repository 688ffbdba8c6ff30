#include "uci/debug_commands.h"

#include <cstdlib>

bool run_debug_command(const std::string& line) {
    if (line == "d") {
        show_position_command();
        return true;
    }
    if (line == "eval") {
        show_evaluation_command();
        return true;
    }
    if (line.rfind("perft ", 0) == 0) {
        perft_command(std::atoi(line.c_str() + 6));
        return true;
    }
    return false;
}
