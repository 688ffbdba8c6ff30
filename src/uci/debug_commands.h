// Whole-line debugging commands of the UCI loop that go beyond the protocol: "perft <depth>",
// "d" (the game position as a diagram, its FEN and key), "eval" (the static evaluation) and
// "bench [depth]" (the benchmark).
#pragma once

#include <string>

// Runs line when it is one of the debugging commands and returns true; false otherwise.
bool run_debug_command(const std::string& line);

// The commands themselves.
void perft_command(int depth);  // perft of the game position, move by move
void show_position_command();   // diagram, FEN and key of the game position (position_display)
void show_evaluation_command(); // the evaluation of the game position with its main terms

// Command line "talvor perft <depth> [FEN]": the standard position when no FEN is given.
int perft_main(int argc, char** argv);
