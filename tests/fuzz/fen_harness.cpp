// A FEN through the position command, and through the set-up of the perft command line.
#include "fuzz/fuzz_harness.h"

#include <string>

#include "board/perft.h"
#include "board/position.h"
#include "core/settings.h"
#include "fuzz/harness_support.h"
#include "shell/input_reader.h"
#include "uci/dispatcher.h"
#include "uci/fen.h"
#include "uci/position_display.h"

namespace {

constexpr int FenTextSize = 128;

// Dispatches "position fen <fen>" at top level, as the waiting loop does (a "go" among the words
// may have started a search, over when the next line is read); true when the position was
// accepted.
bool set_position(const std::string& fen) {
    command_line = "position fen " + fen;
    engine_busy = 0;
    position_applied = 0;
    parse_command_line(0);
    return position_applied != 0;
}

} // namespace

const char* fuzz_fen(const uint8_t* data, size_t size) {
    fuzz_fresh_engine();
    // One line: a line break cannot be inside a line the reader hands out.
    std::string fen(reinterpret_cast<const char*>(data), size);
    for (char& c : fen)
        if (c == '\n') c = ' ';

    command_line = "isready";
    parse_command_line(0);
    if (set_position(fen)) {
        if (const char* problem = fuzz_check_game_position()) return problem;
        // The engine's own FEN of the position reads back to the same position and FEN.
        char written[FenTextSize];
        game_position_fen(written);
        if (!set_position(written)) return "the engine's FEN of its position is refused";
        char rewritten[FenTextSize];
        game_position_fen(rewritten);
        if (std::string(written) != rewritten) return "the engine's FEN does not read back";
        if (const char* problem = fuzz_search_game_position()) return problem;
    }

    // "talvor perft <depth> <FEN>" sets the FEN up directly.
    if (load_fen_fields(fen.c_str()) &&
        setupPosition(white_to_move_at_start ? White : Black, SetupEnPassant)) {
        SearchPly = 0;
        perft(SearchNodes[0], 1);
    }
    return nullptr;
}
