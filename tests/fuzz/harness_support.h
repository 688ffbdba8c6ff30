// What the fuzzing harnesses share: the engine prepared once per process and brought back to the
// same state before every input, the checks run on a position the engine accepted, and scratch
// files for the inputs the engine reads from files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Builds the engine's tables the first time (with a 1 MB transposition table), then resets the
// engine to a fresh UCI start with the standard start on the board and a fixed random seed.
void fuzz_fresh_engine();

// Checks the game position the engine has just set up (its moves generated): the redundant forms
// agree, the move tree to two plies walks and leaves them agreeing, the evaluation runs. Returns
// null, or what does not hold.
const char* fuzz_check_game_position();

// Searches the game position to one ply and its quiescence search, as a go depth 1 would (a
// node cap guards against a runaway).
// Returns null, or what does not hold afterwards.
const char* fuzz_search_game_position();

// A file of this process named leaf, in memory-backed temporary storage where the system has it
// (the book update forces its file to the disk); the directory is removed when the process ends.
std::string fuzz_scratch_path(const char* leaf);

// Replaces the file at path by the bytes; false when it cannot be written.
bool fuzz_write_file(const std::string& path, const uint8_t* data, size_t size);
