// The fuzzing harnesses: one function per input surface, taking the bytes of one input. The
// libFuzzer programs under targets/ call them for every input the fuzzer makes; the corpus test
// replays every kept input through them in the ordinary test build. Each one brings the engine
// back to the same state first, and none reaches a path that ends the process or searches for
// long by design. Each returns null, or a short text naming an engine invariant that failed (a
// crash or a sanitizer report ends the process instead).
#pragma once

#include <cstddef>
#include <cstdint>

// UCI input: the bytes are what a GUI writes to standard input, cut into lines by the engine's
// own input reader and handled as the waiting loop handles them. The line after an accepted go
// is handled from inside the search, as the search's poll would; the search then answers its go
// (no search runs: the answer is the first legal move) and a line it held back is done at top
// level. Lines that would end the process (quit), run a benchmark or a perft deeper than 2 plies,
// or size the transposition table above FuzzHashMegabytesCap are left out.
const char* fuzz_uci_lines(const uint8_t* data, size_t size);

// A FEN: given to the position command as "position fen <bytes>" (line breaks read as spaces);
// an accepted position is checked, counted to two plies, evaluated, written back as a FEN that
// must read back to itself, and searched to one ply. The same bytes are also
// read as the command line's "talvor perft 1 <FEN>" reads them.
const char* fuzz_fen(const uint8_t* data, size_t size);

// A position file: the bytes as the file the console game starts from, read and, when read, set
// up for either side to move as the console game sets it up; a position set up is checked and
// searched as the FEN target's.
const char* fuzz_position_file(const uint8_t* data, size_t size);

// An opening book: the bytes as pellan.txt, loaded, probed from the start position and taught the
// result of a game, which writes the book back and loads it again.
const char* fuzz_book_text(const uint8_t* data, size_t size);

constexpr int FuzzHashMegabytesCap = 1;
