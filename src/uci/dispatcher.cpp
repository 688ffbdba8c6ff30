#include "uci/dispatcher.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "board/position.h"
#include "console/position_file.h"
#include "platform/platform.h"
#include "search/hash_table.h"
#include "search/search_flags.h"
#include "shell/input_reader.h"
#include "shell/settings.h"
#include "shell/think.h"
#include "shell/time_control.h"
#include "uci/debug_commands.h"
#include "uci/fen.h"
#include "uci/position_command.h"
#include "uci/uci_output.h"

char (*tokens)[TokenSize] = nullptr;
uint16_t token_capacity = 0;
uint16_t token_count = 0;

uint8_t call_context = 0;
uint8_t collecting_args = 0;
uint8_t base_seen = 0;
uint8_t in_setoption = 0;
uint8_t number_param = 0;
uint8_t text_param = 0;
uint8_t isready_seen = 0;
uint8_t position_received = 0;
uint8_t engine_busy = 0;
uint8_t suppress_bestmove = 0;
uint8_t startpos_pending = 0;
uint8_t fen_pending = 0;
uint8_t deferred_position = 0;
uint8_t moves_seen = 0;
uint8_t position_applied = 0;
uint8_t go_repeats_position = 0;
std::string last_position_line;
uint8_t go_requested = 0;
uint8_t ponder_requested = 0;
uint8_t pondering = 0;
uint8_t ponder_hit = 0;
MOVE expected_move = 0;
uint8_t expected_move_played = 0;
MOVE opponent_move = 0;
uint8_t gui_stop = 0;
const char* status_text = "";
uint8_t mode_char = 'C';

int16_t move_number_offset = 0;
uint8_t sound = 0;
uint8_t real_board_delay = 0;
uint8_t ponder_enabled = 0;
uint8_t ponder_available = 1;

uint8_t saved_use_book = 1;
int16_t last_book_ply = 0;
uint8_t book_updated = 0;
int16_t root_score = 0;
int16_t last_reported_score = 0;

namespace {

// Settings a number sets (number_param) and a word sets (text_param).
enum NumberCode : uint8_t {
    NumberWhiteTime = 1,
    NumberBlackTime = 2,
    NumberMoveTime = 3,
    NumberWhiteIncrement = 4,
    NumberBlackIncrement = 5,
    NumberNodes = 6,
    NumberMate = 8,
    NumberDepth = 9,
    NumberMovesToGo = 10,
    NumberHash = 11,
    NumberFenHalfMoves = 18,
    NumberFenMoveNumber = 19,
    NumberThreads = 20,
};
enum TextCode : uint8_t {
    TextOwnBook = 12,
    TextRealBoard = 13,
    TextFenBoard = 14,
    TextFenSide = 15,
    TextFenCastling = 16,
    TextFenEnPassant = 17,
};

// The waiting loop looks for a command every millisecond: a go that waited for a longer nap
// would lose a blitz game on time (at 2 s + 0.02 s a move has about 50 ms).
constexpr int WaitingPollMs = 1;

bool same_word(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

bool same_word_any_case(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        const char x = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
        const char y = (*b >= 'A' && *b <= 'Z') ? char(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

// Decimal value of a word: optional sign, digits up to the first other character, 0 if none.
// Values too large for 64 bits stop growing.
int64_t word_number(const char* word) {
    const char* p = word;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    int64_t n = 0;
    constexpr int64_t Ceiling = std::numeric_limits<int64_t>::max() / 10 - 10;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (n < Ceiling) n = n * 10 + (*p - '0');
    return negative ? -n : n;
}

template <typename T> T clamped(int64_t n) {
    if (n < int64_t(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (n > int64_t(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return T(n);
}

void set_clock_mode(uint8_t clock_on, uint8_t running) {
    on_clock = clock_on;
    clock_running = running;
    unlimited = 0;
}

// Keywords that name the setting of the next number or word. True when word was one.
bool parameter_keyword(const char* word) {
    if (same_word(word, "infinite")) {
        on_clock = 0;
        unlimited = 1;
        go_infinite = 1;
    } else if (same_word_any_case(word, "hash")) {
        number_param = NumberHash;
    } else if (same_word_any_case(word, "ownbook")) {
        text_param = TextOwnBook;
    } else if (same_word_any_case(word, "Allow_5_seconds_to_play_moves_on_real_bord")) {
        text_param = TextRealBoard;
    } else if (same_word_any_case(word, "Number_of_threads")) {
        number_param = NumberThreads;
    } else if (same_word(word, "wtime") || same_word(word, "btime")) {
        number_param = word[0] == 'w' ? NumberWhiteTime : NumberBlackTime;
        set_clock_mode(1, 1);
        fixed_move_time = 0;
        moves_to_go = 0;
    } else if (same_word(word, "movetime")) {
        number_param = NumberMoveTime;
        set_clock_mode(1, 1);
        fixed_move_time = 1;
        moves_to_go = 1;
    } else if (same_word(word, "winc")) {
        number_param = NumberWhiteIncrement;
    } else if (same_word(word, "binc")) {
        number_param = NumberBlackIncrement;
    } else if (same_word(word, "movestogo")) {
        number_param = NumberMovesToGo;
        set_clock_mode(1, 1);
    } else if (same_word(word, "nodes")) {
        number_param = NumberNodes;
        set_clock_mode(0, 1);
    } else if (same_word(word, "depth") || same_word(word, "mate")) {
        number_param = word[0] == 'd' ? NumberDepth : NumberMate;
        on_clock = 0;
        unlimited = 1;
    } else {
        return false;
    }
    return true;
}

void number_value(const char* word) {
    const int64_t n = word_number(word);
    switch (number_param) {
    // The clocks are kept in whole seconds and, for the time allocation, in milliseconds.
    case NumberWhiteTime:
        side_clock[White] = clamped<int32_t>(n / 1000);
        clock_ms[White] = n;
        break;
    case NumberBlackTime:
        side_clock[Black] = clamped<int32_t>(n / 1000);
        clock_ms[Black] = n;
        break;
    case NumberMoveTime:
        side_clock[White] = side_clock[Black] = clamped<int32_t>(n / 1000);
        clock_ms[White] = clock_ms[Black] = n;
        break;
    // Increments are converted to seconds before they are narrowed, so that a long increment
    // never turns negative.
    case NumberWhiteIncrement:
        increment[White] = clamped<int16_t>(n / 1000);
        increment_ms[White] = n;
        break;
    case NumberBlackIncrement:
        increment[Black] = clamped<int16_t>(n / 1000);
        increment_ms[Black] = n;
        break;
    case NumberNodes: node_budget = n; break;
    case NumberMate:
        // The search goes on until it has found a mate in n moves (or is stopped). The depth of
        // later searches is not touched: one "go mate" must not cut them all short.
        if (n > 0) go_mate_moves = clamped<int32_t>(n);
        break;
    case NumberDepth: go_depth_limit = clamped<int32_t>(n); break;
    case NumberMovesToGo: moves_to_go = clamped<int16_t>(n); break;
    case NumberHash:
        HashMegabytes = clamped<int16_t>(n < 0 ? 0 : n);
        sizeHashTables();
        break;
    case NumberFenHalfMoves: number_param = NumberFenMoveNumber; return;
    case NumberFenMoveNumber: move_number_offset = clamped<int16_t>(n / 2 * 2); break;
    default: return; // 20 and unknown codes keep waiting and the number has no effect
    }
    number_param = 0;
}

void text_value(const char* word) {
    switch (text_param) {
    case TextOwnBook:
        own_book_option = use_book = saved_use_book = same_word(word, "true") ? 1 : 0;
        text_param = 0;
        break;
    case TextRealBoard:
        real_board_delay = same_word(word, "true") ? 1 : 0;
        text_param = 0;
        break;
    case TextFenBoard:
        fen_write_board(word);
        text_param = TextFenSide;
        break;
    case TextFenSide:
        fen_write_side(word);
        text_param = TextFenCastling;
        number_param = 0;
        break;
    case TextFenCastling:
        fen_write_castling(word);
        text_param = TextFenEnPassant;
        number_param = 0;
        break;
    case TextFenEnPassant:
        fen_write_en_passant(word);
        number_param = NumberFenHalfMoves;
        text_param = 0;
        break;
    default: text_param = 0; break;
    }
    in_setoption = 0;
}

// Words that only count while a command collects and before its base word.
bool collecting_word(int i, const char* word) {
    if (same_word_any_case(word, "startpos")) {
        base_seen = 1;
        startpos_pending = 1;
        SetupEnPassant = 0;
        standard_start = 1;
        read_position_file(nullptr);
        return true;
    }
    if (same_word_any_case(word, "fen")) {
        base_seen = 1;
        text_param = TextFenBoard;
        fen_pending = 1;
        standard_start = 0;
        return true;
    }
    if (same_word_any_case(word, "ponder")) {
        if (in_setoption) {
            const char* value = token(i + 2);
            if (same_word(value, "true")) {
                ponder_enabled = ponder_available;
            } else if (same_word(value, "false")) {
                ponder_enabled = 0;
                raise_full_stop();
            }
            return true;
        }
        if (GamePly < 1) return false; // with an empty history the word is an ordinary one
        pondering = 1;
        collecting_args = 1;
        base_seen = 1;
        if (go_requested && ponder_enabled) {
            go_requested = 0;
            ponder_requested = 1;
        }
        return true;
    }
    if (same_word_any_case(word, "name") || same_word_any_case(word, "value")) return true;
    if (same_word_any_case(word, "sound")) {
        sound = same_word(token(i + 2), "true") ? 1 : 0;
        send_info("option Sound ok");
        return true;
    }
    return false;
}

void end_collecting() {
    collecting_args = 0;
    base_seen = 0;
}

void write_line(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void add_token(const char* start, size_t length) {
    if (token_count == std::numeric_limits<uint16_t>::max()) return; // the table is full
    if (tokens == nullptr) init_token_table();
    if (token_count >= token_capacity) {
        const int capacity = token_capacity + TokenCapacityStep;
        const int grown = capacity > 0xFFFF ? 0xFFFF : capacity;
        auto* table =
            static_cast<char(*)[TokenSize]>(std::realloc(tokens, size_t(grown) * TokenSize));
        if (table == nullptr) return;
        tokens = table;
        token_capacity = uint16_t(grown);
    }
    const size_t kept = length < TokenSize - 1 ? length : TokenSize - 1;
    std::memcpy(tokens[token_count], start, kept);
    tokens[token_count][kept] = '\0';
    ++token_count;
}

void cut_words(const std::string& line) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\n')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\n') ++i;
        if (i > start) add_token(line.data() + start, i - start);
    }
}

} // namespace

const char* token(int i) {
    if (i < 0 || i >= token_count || tokens == nullptr) return "";
    return tokens[i];
}

void init_token_table() {
    std::free(tokens);
    token_capacity = TokenInitialCapacity;
    tokens = static_cast<char(*)[TokenSize]>(std::calloc(token_capacity, TokenSize));
    token_count = 0;
}

void release_token_table() {
    std::free(tokens);
    tokens = nullptr;
    token_capacity = 0;
    token_count = 0;
}

void dispatch_token(int i) {
    const char* word = token(i);
    if (word[0] == '\0') return;

    if (same_word_any_case(word, "isready")) {
        write_line("readyok\n");
        isready_seen = 1;
        end_collecting();
        return;
    }
    if (same_word_any_case(word, "stop")) {
        position_received = 0;
        node_limit = node_count;
        gui_stop = 1;
        if (pondering) {
            // The interface waits for a bestmove line, and the protocol wants a move in it: the
            // best move of the search on its time so far (the move itself is not played).
            raise_full_stop();
            const MOVE move = ponder_stop_move();
            write_line(move ? "bestmove " : "bestmove (none)");
            if (move) write_line(move_to_uci(move));
            write_line("\n");
            write_line("info stopping pb\n");
        } else {
            raise_soft_stop();
        }
        if (call_context == 0) write_line("info situation is uci-wait\n");
        end_collecting();
        return;
    }
    if (same_word_any_case(word, "quit")) engine_quit();
    if (same_word_any_case(word, "ucinewgame")) {
        root_score = 0;
        last_reported_score = 0;
        last_book_ply = 0;
        time_factor = 170;
        if (HashTable != nullptr && HashEnabled) clearHashTable();
        end_collecting();
        return;
    }
    if (same_word_any_case(word, "position") && isready_seen) {
        if (!engine_busy) {
            suppress_bestmove = 0;
            position_received = 1;
            collecting_args = 1;
            base_seen = 0;
        } else {
            suppress_bestmove = 1;
            position_received = 0;
            raise_full_stop();
        }
        return;
    }
    // A go without a position of its own searches the position last given again (the game
    // position has moved on by the engine's own move since).
    const bool repeat = !position_received && isready_seen && !last_position_line.empty();
    if (same_word_any_case(word, "go") && (position_received || repeat)) {
        go_repeats_position = position_received ? 0 : 1;
        position_received = 0;
        if (!engine_busy) {
            engine_busy = 1;
            suppress_bestmove = 0;
            collecting_args = 1;
            base_seen = 0;
            go_requested = 1;
            ponder_requested = 0;
            go_depth_limit = 0;
            go_mate_moves = 0;
            go_infinite = 0;
            // A go without winc or binc has none: an increment of an earlier game must not
            // linger into a control without one.
            increment[White] = increment[Black] = 0;
            increment_ms[White] = increment_ms[Black] = 0;
        } else {
            suppress_bestmove = 1;
            raise_full_stop();
        }
        return;
    }
    if (same_word_any_case(word, "ponderhit")) {
        if (pondering && !abort_ponder) ponder_hit = 1;
        opponent_move = expected_move;
        expected_move_played = 1;
        end_collecting();
        return;
    }
    if (same_word_any_case(word, "setoption")) {
        collecting_args = 1;
        in_setoption = 1;
        number_param = 0;
        text_param = 0;
        return;
    }
    if (same_word_any_case(word, "where") || same_word_any_case(word, "what")) {
        send_info(status_text);
        return;
    }
    if (collecting_args && !base_seen && collecting_word(i, word)) return;
    if (parameter_keyword(word)) return;

    if (number_param > 0) number_value(word);
    if (text_param > 0) text_value(word);
}

void parse_command_line(int context) {
    call_context = uint8_t(context);
    if (deferred_position) {
        if (context == 1) return; // the line waits until the search has ended
        apply_position();
    }
    token_count = 0;
    startpos_pending = 0;
    fen_pending = 0;
    in_setoption = 0;
    moves_seen = 0;
    cut_words(command_line);
    for (int i = 0; i < token_count; ++i) dispatch_token(i);
    if (startpos_pending || fen_pending) {
        if (context == 1) {
            raise_full_stop();
            deferred_position = 1;
            last_position_line = command_line;
        } else {
            apply_position();
            if (position_applied) last_position_line = command_line;
        }
    }
    command_line.clear();
    end_collecting();
}

void replace_shortcut(std::string& line) {
    if (line == "go1")
        line = "isready";
    else if (line == "go2")
        line = "position startpos moves a2a3";
    else if (line == "go3")
        line = "go btime 99999999 wtime 99999999";
    else if (line == "ps")
        line = "position startpos";
}

void poll_uci_input(int context) {
    call_context = uint8_t(context);
    if (context == 0 && deferred_position) apply_position();
    if (context == 1 && deferred_position) return;
    if (poll_command() != 0) return;
    dispatch_input_line(context);
}

void dispatch_input_line(int context) {
    // Debugging commands inspect or replay the game position, which a running search owns.
    if (context == 0 && run_debug_command(command_line)) {
        command_line.clear();
        return;
    }
    replace_shortcut(command_line);
    parse_command_line(context);
}

namespace {

// Polls every 100 ms until done() holds; quits when input has ended and nothing is waiting.
template <typename Done> void poll_until(Done done) {
    for (;;) {
        engine_busy = 0;
        poll_uci_input(0);
        if (done()) return;
        if (input_reader.input_finished()) engine_quit();
        platform_sleep_ms(WaitingPollMs);
    }
}

} // namespace

MOVE uci_wait_for_command() {
    for (;;) {
        status_text = "Waiting ....";
        poll_until([] { return go_requested || ponder_requested; });
        if (ponder_requested) {
            ponder_requested = 0;
            if (!ponder_enabled || GamePly < 1) continue;
            mode_char = SideToMove == White ? 'B' : 'N';
            ponder();
            if (!go_requested && !expected_move_played) {
                status_text = "Waiting permanent-brain uci";
                poll_until([] { return go_requested || expected_move_played; });
            }
            if (!go_requested) {
                expected_move_played = 0;
                return opponent_move;
            }
        }
        go_requested = 0;
        if (go_repeats_position) {
            go_repeats_position = 0;
            engine_busy = 0; // the position comes before the search this go starts
            command_line = last_position_line;
            parse_command_line(0);
            engine_busy = 1;
        }
        mode_char = SideToMove == White ? 'B' : 'N';
        return 0;
    }
}

void reset_dispatcher_state() {
    call_context = collecting_args = base_seen = in_setoption = 0;
    number_param = text_param = 0;
    isready_seen = position_received = engine_busy = suppress_bestmove = 0;
    startpos_pending = fen_pending = deferred_position = moves_seen = position_applied = 0;
    go_requested = ponder_requested = pondering = ponder_hit = 0;
    expected_move = opponent_move = 0;
    expected_move_played = gui_stop = 0;
    status_text = "";
    mode_char = 'C';
    move_number_offset = 0;
    sound = real_board_delay = ponder_enabled = 0;
    ponder_available = 1;
    saved_use_book = 1;
    last_book_ply = 0;
    book_updated = 0;
    root_score = last_reported_score = 0;
    command_line.clear();
    go_repeats_position = 0;
    last_position_line.clear();
    if (tokens == nullptr) init_token_table();
    token_count = 0;
}
