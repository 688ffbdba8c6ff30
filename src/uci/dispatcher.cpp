#include "uci/dispatcher.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "board/position.h"
#include "book/book.h"
#include "core/output.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "platform/platform.h"
#include "search/hash_table.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "shell/input_reader.h"
#include "shell/think.h"
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
uint8_t bestmove_due = 0;
uint8_t position_refused = 0;
uint8_t startpos_pending = 0;
uint8_t fen_pending = 0;
std::string held_line;
uint8_t moves_seen = 0;
uint8_t position_applied = 0;
uint8_t go_repeats_position = 0;
std::string last_position_line;
uint8_t go_requested = 0;
uint8_t ponder_requested = 0;
const char* status_text = "";

int16_t move_number_offset = 0;
uint8_t real_board_delay = 0;

uint8_t saved_use_book = 1;

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

// Deeper than the search ever goes: a mate this long is no limit at all.
constexpr int64_t MateMovesCeiling = 1000;
// A mate in n moves is 2n - 1 plies long, but the search reduces quiet moves and finds it a few
// iterations later (a mate in 2 at depth 6, a mate in 3 at depth 7): the depth limit of a
// "go mate" leaves that much room.
constexpr int32_t MateDepthMargin = 4;

// The search of this go stops at the smaller of its depth limits.
void limit_go_depth(int32_t plies) {
    if (go_depth_limit == 0 || plies < go_depth_limit) go_depth_limit = plies;
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
    case NumberMate: {
        // The search ends once it has found a mate in n moves, and goes no deeper than such a
        // mate needs, so that a position without one is answered too. Only this search is
        // limited: one "go mate" must not cut later searches short.
        const int32_t moves = clamped<int32_t>(n < 1                  ? 1
                                               : n > MateMovesCeiling ? MateMovesCeiling
                                                                      : n);
        go_mate_moves = n < 1 ? 0 : moves;
        limit_go_depth(2 * moves + MateDepthMargin);
        break;
    }
    // A depth of 0 or less still searches one ply: an unlimited search would never answer.
    case NumberDepth: limit_go_depth(clamped<int32_t>(n < 1 ? 1 : n)); break;
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
        place_standard_start();
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

// A position or go word that comes while a go is already under way in the same line ends the
// line: the rest of it must not change the search just asked for.
uint8_t line_ended = 0;

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

// Ends the running search. A search on the opponent's time (before any ponderhit) answers at
// once with the best move it has so far, as the interface waits for a bestmove line with a move
// in it (the move itself is not played); any other search ends at its next poll and the game
// loop answers with its move.
void stop_search() {
    position_received = 0;
    node_limit = node_count;
    gui_stop = 1;
    if (pondering && !ponder_hit) {
        raise_full_stop();
        if (bestmove_due) {
            send_bestmove(position_refused ? 0 : ponder_stop_move(), NO_MOVE, false);
            write_line("info stopping pb\n");
        }
    } else {
        raise_soft_stop();
    }
}

// The running go ends only when the interface says so.
bool waits_for_interface() {
    return go_infinite || (pondering && !ponder_hit) || (unlimited && go_depth_limit == 0);
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
        stop_search();
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
    // Commands never run while a search runs: the input reader holds their lines back until
    // the search has answered (poll_uci_input). A second one in the line of a go ends the line.
    const bool command = isready_seen && !in_setoption;
    if (same_word_any_case(word, "position") && command) {
        if (engine_busy) {
            line_ended = 1;
            return;
        }
        collecting_args = 1;
        base_seen = 0;
        return;
    }
    if (same_word_any_case(word, "go") && command) {
        if (engine_busy) {
            line_ended = 1;
            return;
        }
        // A go without a position of its own searches the position last given again (the game
        // position has moved on by the engine's own move since).
        go_repeats_position = position_received ? 0 : 1;
        position_received = 0;
        engine_busy = 1;
        bestmove_due = 1;
        gui_stop = 0;
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
    token_count = 0;
    startpos_pending = 0;
    fen_pending = 0;
    in_setoption = 0;
    moves_seen = 0;
    line_ended = 0;
    cut_words(command_line);
    for (int i = 0; i < token_count && !line_ended; ++i) dispatch_token(i);
    // A position is set up only at top level; inside a search its line is held back before it
    // gets here (poll_uci_input).
    if ((startpos_pending || fen_pending) && context == 0) {
        apply_position();
        if (!position_refused) last_position_line = command_line;
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

bool needs_idle_engine(const std::string& line) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\n')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\n') ++i;
        if (i == start || i - start >= TokenSize) continue;
        char word[TokenSize];
        line.copy(word, i - start, start);
        word[i - start] = '\0';
        for (const char* command : {"position", "go", "ucinewgame", "setoption"})
            if (same_word_any_case(word, command)) return true;
    }
    return false;
}

void hold_line(const std::string& line) {
    held_line = line;
}

void handle_command_line(int context) {
    call_context = uint8_t(context);
    if (context == 0 && run_debug_command(command_line)) {
        // Debugging commands inspect or replay the game position, which a running search owns.
        command_line.clear();
        return;
    }
    replace_shortcut(command_line);
    if (context == 1 && needs_idle_engine(command_line)) {
        // A command for the engine at rest ends the search as "stop" would, so that the go the
        // search answers gets its one bestmove first; the command is done after that.
        hold_line(command_line);
        command_line.clear();
        stop_search();
        return;
    }
    parse_command_line(context);
}

void poll_uci_input(int context) {
    call_context = uint8_t(context);
    if (!held_line.empty()) {
        // The line held back waits for the search's answer, and the lines after it wait behind
        // it; at top level it comes first.
        if (context == 1) return;
        command_line = held_line;
        held_line.clear();
        handle_command_line(0);
        return;
    }
    if (poll_command() != 0) {
        // The interface has gone: a search that would only end on its word (infinite, on the
        // opponent's time, without any limit) ends now and answers; one with a limit finishes.
        // The process ends once it is waiting again.
        if (context == 1 && input_reader.input_finished() && bestmove_due && !gui_stop &&
            waits_for_interface())
            stop_search();
        return;
    }
    handle_command_line(context);
}

void wait_for_stop() {
    while (bestmove_due && !gui_stop && !(pondering && expected_move_played)) {
        poll_uci_input(1);
        platform_sleep_ms(WaitingPollMs);
    }
}

namespace {

// Polls every millisecond until done() holds; quits when input has ended and nothing is waiting.
template <typename Done> void poll_until(Done done) {
    for (;;) {
        engine_busy = 0;
        poll_uci_input(0);
        if (done()) return;
        if (input_reader.input_finished() && held_line.empty()) engine_quit();
        platform_sleep_ms(WaitingPollMs);
    }
}

// A go without a position of its own: the position line last accepted is set up again (the start
// position when there was none). It is the same game, so what the game has learnt stays.
void set_last_position_again() {
    const int16_t factor = time_factor;
    const uint8_t book = use_book, updated = book_updated, bookMovePlayed = book_move_played;
    const int16_t bookPly = last_book_ply;
    command_line = last_position_line.empty() ? "position startpos" : last_position_line;
    engine_busy = 0;
    parse_command_line(0);
    engine_busy = 1;
    position_received = 0;
    time_factor = factor;
    use_book = book;
    book_updated = updated;
    book_move_played = bookMovePlayed;
    last_book_ply = bookPly < last_book_ply ? bookPly : last_book_ply;
}

} // namespace

MOVE uci_wait_for_command() {
    for (;;) {
        status_text = "Waiting ....";
        poll_until([] { return go_requested || ponder_requested; });
        const bool ponderGo = ponder_requested && ponder_enabled && GamePly >= 1;
        go_requested = ponder_requested = 0;
        if (position_refused) {
            // The last position was refused: there is no position to search, and the answer
            // says so (after stop or ponderhit for a go that waits for one).
            if (go_infinite || ponderGo) wait_for_stop();
            send_bestmove(0, NO_MOVE, false);
            pondering = 0;
            expected_move_played = 0;
            continue;
        }
        if (go_repeats_position) {
            go_repeats_position = 0;
            set_last_position_again();
        }
        mode_char = SideToMove == White ? 'B' : 'N';
        if (!ponderGo) {
            pondering = 0;
            return 0;
        }

        ponder();
        if (bestmove_due && !expected_move_played) {
            // The search on the opponent's time ended by itself: its answer waits for stop
            // (answered by the dispatcher) or ponderhit.
            status_text = "Waiting permanent-brain uci";
            wait_for_stop();
        }
        if (bestmove_due && expected_move_played) {
            // A ponderhit: the opponent's move is the position the interface already set; the
            // game loop plays the reply the ponder search found (or searches again without one).
            expected_move_played = 0;
            return opponent_move;
        }
        // Answered by stop: nothing is played, and the engine waits for the next command.
        pondering = 0;
        expected_move_played = 0;
        ponder_result_found = 0;
    }
}

void reset_dispatcher_state() {
    call_context = collecting_args = base_seen = in_setoption = 0;
    number_param = text_param = 0;
    isready_seen = position_received = engine_busy = bestmove_due = position_refused = 0;
    startpos_pending = fen_pending = moves_seen = position_applied = 0;
    held_line.clear();
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
