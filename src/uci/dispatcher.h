// The UCI command dispatcher: cuts each input line into words and handles them one at a time,
// keeping a little state between words (which command collects its arguments, which setting the
// next number or word sets). It never searches; it sets flags that the game loop, the waiting
// loop and the search's poll act on, and answers isready, stop and the status words at once. It
// runs at top level (context 0, waiting) and from inside a search (context 1).
#pragma once

#include <cstdint>
#include <string>

#include "board/types.h"

// --- Token table: the words of the current line (read by the position command) ---
constexpr int TokenSize = 101; // a word of at most 100 characters and its zero
constexpr int TokenInitialCapacity = 100;
constexpr int TokenCapacityStep = 20;
extern char (*tokens)[TokenSize]; // allocated by init_token_table, grown by the dispatcher
extern uint16_t token_capacity;   // entries allocated
extern uint16_t token_count;      // words of the current line
// Word i of the current line; "" beyond the last word.
const char* token(int i);

// --- Dispatcher state (main thread; set and cleared as noted) ---
extern uint8_t call_context;        // 0 top level, 1 inside a search (every parse / poll call)
extern uint8_t collecting_args;     // a position, go or setoption collects its words (one line)
extern uint8_t base_seen;           // startpos, fen or go's ponder seen in this line
extern uint8_t in_setoption;        // the line is a setoption
extern uint8_t number_param;        // code of the setting the next number sets, 0 none
extern uint8_t text_param;          // code of the setting the next word sets, 0 none
extern uint8_t isready_seen;        // an isready was answered (never cleared)
extern uint8_t position_received;   // a position was accepted since the last go
extern uint8_t engine_busy;         // from an accepted go until the waiting loop runs again
extern uint8_t bestmove_due;        // a go waits for its one bestmove line (send_bestmove clears)
extern uint8_t position_refused;    // the last position was refused: a go answers "(none)"
extern uint8_t startpos_pending;    // the line asks for the start position
extern uint8_t fen_pending;         // the line carries a FEN
extern std::string held_line;       // a command line that waits for the search to answer
extern uint8_t moves_seen;          // "moves" met in this line (position command)
extern uint8_t position_applied;    // a position was applied; the next game-loop pass makes no move
extern uint8_t go_repeats_position; // the go came without a position: the last one is set again
extern std::string last_position_line; // the last position line accepted
extern uint8_t go_requested;           // the waiting loop must let the engine think
extern uint8_t ponder_requested;       // the waiting loop must ponder
extern const char* status_text;        // "Waiting ....", "search", ... (where / what)

// --- Settings the dispatcher sets ---
extern int16_t move_number_offset; // from a FEN's move number, made even (game record)
extern uint8_t real_board_delay;   // Allow_5_seconds_to_play_moves_on_real_bord option

// --- Game and book state the dispatcher resets (ucinewgame, Ownbook) ---
extern uint8_t saved_use_book; // use_book before a position's set-up (position command)

// Allocates the token table (start-up) and frees it (quit).
void init_token_table();
void release_token_table();

// Cuts command_line into words and dispatches them, then applies a position (top level only).
void parse_command_line(int context);
// Takes a waiting input line, if any, into command_line and dispatches it (debugging commands
// and shortcuts first). Inside a search (context 1) a line that needs the engine at rest
// (needs_idle_engine) is held back and ends the search as stop does; nothing more is taken
// until the top level (context 0) has done it. At the end of input a search is stopped.
void poll_uci_input(int context);
// Handles the line in command_line as poll_uci_input does once it has taken it.
void handle_command_line(int context);
// True when the line holds a command that must wait until no search runs: position, go,
// ucinewgame or setoption.
bool needs_idle_engine(const std::string& line);
// Keeps a line for the top level to do before any other (start-up, the search's poll).
void hold_line(const std::string& line);
// Replaces a whole line that is one of the debugging shortcuts (exact case): go1, go2, go3, ps.
void replace_shortcut(std::string& line);
// Handles word i of the current line.
void dispatch_token(int i);

// A go whose answer waits for the interface (go infinite, or a search on the opponent's time that
// ended by itself): polls every millisecond, answering isready, until stop, ponderhit, a held
// command or the end of input.
void wait_for_stop();

// The human-move step of UCI mode: polls for commands every millisecond until a go (the engine
// moves the side to move: mode_char becomes 'B' or 'N', returns 0) or, after a ponder search, a
// ponderhit (returns opponent_move for the game loop to make). A go after a refused position is
// answered "bestmove (none)" here. Ends the process when standard input has ended and nothing is
// left to do.
MOVE uci_wait_for_command();

// Back to the state of a fresh process (tests).
void reset_dispatcher_state();
