#include "shell/startup.h"

#include <cstdio>
#include <string>

#include "board/geometry.h"
#include "board/keys.h"
#include "board/move_table.h"
#include "board/position.h"
#include "book/book.h"
#include "console/key_input.h"
#include "console/move_entry.h"
#include "console/parameters.h"
#include "console/position_file.h"
#include "core/output.h"
#include "core/random.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "eval/eval_tables.h"
#include "platform/platform.h"
#include "search/hash_table.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_hooks.h"
#include "shell/input_reader.h"
#include "shell/think.h"
#include "uci/dispatcher.h"
#include "uci/position_command.h"

uint8_t mode_request = NoModeRequested;

namespace {

constexpr double ModeWaitSeconds = 10.0;

bool same_text_any_case(const std::string& text, const char* word) {
    size_t i = 0;
    for (; i < text.size() && word[i] != '\0'; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return i == text.size() && word[i] == '\0';
}

void choose_uci() {
    uci_mode = 1;
    console_mode = 0;
}

// Console input is read key by key from here on. The reader stops for good; every byte it had
// already taken goes to the keyboard first, so nothing typed or piped is lost.
void choose_console() {
    uci_mode = 0;
    console_mode = 1;
    const std::string taken = input_reader.stop_and_take_bytes();
    platform_push_keyboard_bytes(taken.data(), taken.size());
}

void write_flushed(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// Settings that the UCI options change. They are installed before the handshake, so that options
// sent before the first isready keep their values.
void install_option_defaults() {
    real_board_delay = 0;
    sound = 0;
    use_book = 1;
    own_book_option = 1;
    saved_use_book = 1;
}

// The clocks and search limits of a new engine.
void install_limit_defaults() {
    increment[White] = increment[Black] = 0;
    time_used[White] = time_used[Black] = 0;
    reset_clock_carry(White);
    reset_clock_carry(Black);
    seconds_per_move = 15;
    max_depth = 60;
    time_factor = 170;
    resign_confirmed = 0;
    on_clock = 1;
    clock_running = 1;
    node_budget = 400000;
}

// The dispatcher in search context: stop, ponderhit, isready and quit act during the search.
void take_input_in_search() {
    poll_uci_input(1);
}

// The end of the process: the book, the transposition tables and the token table.
void release_engine_memory() {
    release_book();
    freeHashTables();
    release_token_table();
}

} // namespace

void install_engine_hooks() {
    release_at_quit = release_engine_memory;
    search_hooks.take_input = take_input_in_search;
    search_hooks.ponder_key = console_ponder_key;
    search_hooks.wait_for_key = wait_for_any_key;
}

ModeRequest mode_from_arguments(int argc, char** argv) {
    if (argc != 2) return NoModeRequested;
    const std::string argument = argv[1];
    if (same_text_any_case(argument, "-console") || same_text_any_case(argument, "console"))
        return ConsoleRequested;
    if (same_text_any_case(argument, "-uci") || same_text_any_case(argument, "uci"))
        return UciRequested;
    return NoModeRequested;
}

void select_run_mode() {
    if (mode_request == ConsoleRequested) {
        choose_console();
        return;
    }
    if (mode_request == UciRequested) {
        choose_uci();
        return;
    }
    command_line.clear();
    const double start = now_seconds();
    while (now_seconds() - start <= ModeWaitSeconds) {
        if (poll_command() == 0) {
            if (same_text_any_case(command_line, "uci")) {
                choose_uci();
                return;
            }
            if (same_text_any_case(command_line, "quit")) {
                command_line = "uci";
                choose_uci();
                return;
            }
            if (same_text_any_case(command_line, "console") ||
                same_text_any_case(command_line, "cons")) {
                choose_console();
                return;
            }
            continue;
        }
        // Nothing more can arrive: decide now as the end of the wait would.
        if (input_reader.input_finished()) break;
        platform_sleep_ms(1);
    }
    command_line = "uci";
    choose_uci();
}

void write_console_banner() {
    std::printf("\nMove = %d", 4);
    std::printf("\nPointeur* = %d", int(sizeof(void*)));
    std::printf("\nint64 = %d", 8);
    std::printf("\nint32 = %d", 4);
    std::printf("\nlong = %d", 4);
    std::printf("\nint = %d", 4);
    std::printf("\nshort = %d", 2);
    std::printf("\nchar = %d", 2);
    std::printf("\nMOVE = %d", 4);
    std::printf("\nHash-rec = %d", 24);
    std::printf("\nHash-pawn-rec = %d", 24);
    std::printf("\n\n**** Talvor-(ex-Pellan)-");
    std::printf("- Orvandel - ");
    std::printf("%s", engine_version);
    std::printf("**************************\n");
    std::printf("\nLoading ...\n");
    std::printf("\nAvailable commands :");
    std::printf("\nFormat for moves is : E2E4");
    std::printf("\nTB : Take Back");
    std::printf("\nCM : Change Mode-Color");
    std::printf("\nA for Automatic-play, C for Control, B for white, N for black");
    std::printf("\nP : Force play by the program");
    std::printf("\nCTB or CTN : Change Time White/Black");
    std::printf("\n\nParameters :");
    std::fflush(stdout);
}

void init_engine_tables() {
    initSearchNodes();
    initGeometry();
    init_evaluation_tables();
    initBoardSquares();
    buildMoveTable();
    initKeys();
    HashTable = nullptr;
    PawnTable = nullptr;
    HashMegabytes = 64;
    pawn_hash_setting = 8;
    nodes_per_second = 500000;
}

void write_uci_handshake() {
    std::printf("id name %s\n", engine_version);
    std::fflush(stdout);
    write_flushed("id author Kalodra\n");
    write_flushed("option name Ponder type check default false\n");
    std::printf("option name Hash type spin default %d min 0 max %d\n", 64, 256);
    std::fflush(stdout);
    write_flushed("option name Ownbook type check default true\n");
    write_flushed(
        "option name Allow_5_seconds_to_play_moves_on_real_bord type check default false\n");
    write_flushed("uciok\n");
}

// The first word of a line, lower-cased.
std::string first_word(const std::string& line) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) return std::string();
    std::string word = line.substr(start, line.find(' ', start) - start);
    for (char& c : word)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return word;
}

void run_pre_game_commands() {
    for (;;) {
        platform_sleep_ms(1);
        if (input_reader.has_waiting_line()) command_line = next_line();
        if (same_text_any_case(command_line, "isready")) {
            // Ready means ready: the tables are sized before "readyok", or the interface's first
            // go would lose the sizing time from its clock.
            if (HashTable == nullptr) sizeHashTables();
            parse_command_line(0);
            return;
        }
        // An interface that sends a position or a go without asking whether the engine is ready
        // still gets its game: the engine makes itself ready (no readyok, nobody asked) and
        // does the command first thing in the game.
        const std::string word = first_word(command_line);
        if (word == "position" || word == "go") {
            isready_seen = 1;
            hold_line(command_line);
            command_line.clear();
            if (HashTable == nullptr) sizeHashTables();
            return;
        }
        if (!command_line.empty()) parse_command_line(0);
        if (input_reader.input_finished()) engine_quit();
    }
}

void install_default_settings() {
    install_limit_defaults();
    install_book_settings();
    last_book_ply = 0;
    load_book(1);
    reference_time = now_seconds();
    random_seed(mixed_seed(platform_fine_clock(), platform_process_id()));
}

void install_per_game_defaults() {
    mode_char = 'C';
    standard_start = 1;
    white_to_move_at_start = 1;
    SideToMove = White;
    side_clock[White] = side_clock[Black] = 60;
}

void start_up() {
    select_run_mode();
    init_token_table();
    if (console_mode) write_console_banner();

    ponder_available = 1;
    ponder_enabled = 0;
    root_score = 0;
    move_credit_play = console_mode ? 2 : 0;
    move_credit_input = console_mode ? 6 : 0;

    init_engine_tables();
    install_option_defaults();
    if (console_mode) {
        sizeHashTables();
    } else {
        write_uci_handshake();
        run_pre_game_commands();
    }
    install_default_settings();
    install_per_game_defaults();
    parameters_dialogue();
}

void reset_engine_state() {
    install_engine_hooks();
    reset_dispatcher_state();
    abort_search = abort_ponder = stop_deepening = stop_at_root = 0;
    node_count = node_limit = 0;
    choose_uci();
    ponder_available = 1;
    ponder_enabled = 0;
    root_score = last_reported_score = current_score = 0;
    install_option_defaults();
    install_limit_defaults();
    unlimited = fixed_move_time = 0;
    moves_to_go = 0;
    clock_ms[White] = clock_ms[Black] = 0;
    increment_ms[White] = increment_ms[Black] = 0;
    go_depth_limit = go_mate_moves = 0;
    go_infinite = 0;
    // The game position: the standard start, set up as "position startpos" sets it up, so that
    // nothing of the last game's set-up remains.
    standard_start = 1;
    SetupEnPassant = 0;
    read_position_file(nullptr);
    startpos_pending = 1;
    apply_position();
    startpos_pending = position_applied = 0;
    last_book_ply = 0;
    book_move_played = 0;
    install_per_game_defaults();
}
