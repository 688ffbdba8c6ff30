#include "uci/debug_commands.h"

#include <cstdlib>

#include "shell/bench.h"

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
        // strtol saturates instead of overflowing; perft_command clamps to the search depth.
        const long depth = std::strtol(line.c_str() + 6, nullptr, 10);
        perft_command(depth < -1000 ? -1000 : depth > 1000 ? 1000 : int(depth));
        return true;
    }
    if (line == "bench" || line.rfind("bench ", 0) == 0) {
        const long depth = line.size() > 6 ? std::strtol(line.c_str() + 6, nullptr, 10) : 0;
        bench_command(depth < 0 ? 0 : depth > 1000 ? 1000 : int(depth));
        return true;
    }
    return false;
}
