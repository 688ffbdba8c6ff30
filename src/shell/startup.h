// Program start: run-mode choice, table initialisation in a fixed order, the console banner or
// the UCI handshake with the commands that precede the first isready, and the default settings.
#pragma once

#include <cstdint>

// Run mode asked for on the command line.
enum ModeRequest : uint8_t { NoModeRequested = 0, ConsoleRequested = 1, UciRequested = 2 };
extern uint8_t mode_request; // set by main from the arguments, read by the mode selection

// The mode asked for by the arguments: exactly one argument, "-console"/"console" or
// "-uci"/"uci" in any case; anything else asks for nothing.
ModeRequest mode_from_arguments(int argc, char** argv);

// The calls the lower rooms make into the rooms above them, installed before anything else runs
// (and by tests and fuzzing harnesses that drive the engine in one process): what the end of the
// process releases, and the search's way to the dispatcher and the console keys.
void install_engine_hooks();

// Everything before the game loop. Returns when the engine is ready to play.
void start_up();

// The steps of start_up.
void select_run_mode();      // sets uci_mode or console_mode
void write_console_banner(); // console mode
void init_engine_tables();   // tables of every subsystem, in their fixed order
void write_uci_handshake();
void run_pre_game_commands();     // UCI commands until the first isready
void install_default_settings();  // clocks, limits, book settings; loads the book
void install_per_game_defaults(); // control mode, standard start, white to move, 60 s clocks

// Back to the state start-up leaves in UCI mode before the first command, with the standard start
// on the game board; the tables, the book and the transposition table stay as they are. Lets a
// test or a fuzzing harness run many inputs in one process, each from the same state.
void reset_engine_state();
