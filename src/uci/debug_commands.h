// Whole-line debugging commands of the UCI loop that go beyond the protocol: "perft <depth>",
// "d" (the game position as a diagram, its FEN and key), "eval" (the static evaluation) and
// "bench [depth]" (the benchmark).
#pragma once

#include <string>

// Runs line when it is one of the debugging commands and returns true; false otherwise.
bool run_debug_command(const std::string& line);

// The commands themselves, each owned by its subsystem.
void perft_command(int depth);  // board: perft of the game position
void show_position_command();   // uci: diagram, FEN and key of the game position
void show_evaluation_command(); // eval: the evaluation of the game position
