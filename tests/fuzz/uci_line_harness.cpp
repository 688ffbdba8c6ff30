// UCI input through the engine's own line reader and dispatcher.
#include "fuzz/fuzz_harness.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "board/consistency.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "fuzz/harness_support.h"
#include "search/search_flags.h"
#include "shell/input_reader.h"
#include "uci/dispatcher.h"
#include "uci/position_command.h"
#include "uci/uci_output.h"

namespace {

// The input the reader reads from, handed out in the reader's chunks.
const uint8_t* input_bytes = nullptr;
size_t input_left = 0;

int read_input(char* buffer, int size, int /*timeout_ms*/) {
    if (input_left == 0) return 0;
    const size_t n = input_left < size_t(size) ? input_left : size_t(size);
    std::memcpy(buffer, input_bytes, n);
    input_bytes += n;
    input_left -= n;
    return int(n);
}

bool same_word_any_case(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        const char x = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
        if (x != *b) return false;
    }
    return *a == *b;
}

// The value a number word gives the dispatcher: optional sign, then digits.
bool above_hash_cap(const char* word) {
    const char* p = word;
    if (*p == '-') return false;
    if (*p == '+') ++p;
    long long n = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if ((n = n * 10 + (*p - '0')) > FuzzHashMegabytesCap) return true;
    return false;
}

// Words that give the next number to another setting than Hash (or start a new setoption).
bool replaces_number_setting(const char* word) {
    for (const char* keyword :
         {"wtime", "btime", "movetime", "winc", "binc", "movestogo", "nodes", "depth", "mate"})
        if (std::strcmp(word, keyword) == 0) return true;
    return same_word_any_case(word, "number_of_threads") || same_word_any_case(word, "setoption");
}

// Lines the harness leaves out: quit ends the process, bench and perfts deeper than 2 plies run
// for long by design, and a Hash setting above the cap would size a large table. The words are cut
// as the dispatcher cuts them (a word is read up to its first zero byte, as the dispatcher compares
// it). hash_pending follows the Hash setting from its keyword, across lines as the dispatcher
// keeps it, until another setting takes the next number; it stays set where the dispatcher may
// already have used it, so numbers are refused rather than let through.
bool line_allowed(const std::string& line, bool& hash_pending) {
    // A line held back during a search is done at top level, where the debugging commands run.
    if (line == "bench" || line.rfind("bench ", 0) == 0) return false;
    if (line.rfind("perft ", 0) == 0 && std::strtol(line.c_str() + 6, nullptr, 10) > 2)
        return false;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\n')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\n') ++i;
        if (i == start) continue;
        const size_t length = i - start < TokenSize - 1 ? i - start : TokenSize - 1;
        const std::string word = line.substr(start, length);
        const char* w = word.c_str();
        if (same_word_any_case(w, "quit")) return false;
        if (same_word_any_case(w, "hash"))
            hash_pending = true;
        else if (replaces_number_setting(w))
            hash_pending = false;
        else if (hash_pending && above_hash_cap(w))
            return false;
    }
    return true;
}

// A line taken by the waiting loop's poll; searching becomes true when it starts a search (the
// steps of the waiting loop that need no search are done here). Returns what does not hold.
const char* at_top_level(const std::string& line, bool& searching) {
    engine_busy = 0; // as the waiting loop clears it before each poll
    command_line = line;
    position_applied = 0;
    handle_command_line(0);
    if (position_applied) {
        if (const char* problem = positionInconsistency(SearchNodes[0])) return problem;
    }
    if (!go_requested && !ponder_requested) return nullptr;
    go_requested = ponder_requested = 0;
    // The go without a position of its own would set the last position again first.
    go_repeats_position = 0;
    if (position_refused)
        send_bestmove(0, NO_MOVE, false);
    else
        searching = true;
    return nullptr;
}

} // namespace

const char* fuzz_uci_lines(const uint8_t* data, size_t size) {
    fuzz_fresh_engine();
    input_bytes = data;
    input_left = size;
    InputReader reader(read_input, false);
    while (reader.reader_pass()) {
    }

    bool hash_pending = false;
    bool searching = false; // a go was accepted: the next line arrives during its search
    std::string line;
    while (reader.poll_command(line) == 0) {
        if (!line_allowed(line, hash_pending)) continue;
        if (searching) {
            // The search's poll takes the line; the search then ends and answers its go (with
            // the first legal move: no search runs here).
            command_line = line;
            handle_command_line(1);
            searching = false;
            send_bestmove(root_moves[0], NO_MOVE, false);
            pondering = 0;
            // A line held back by the search is done first at top level.
            if (held_line.empty()) continue;
            line = held_line;
            held_line.clear();
        }
        if (const char* problem = at_top_level(line, searching)) return problem;
    }
    return nullptr;
}
