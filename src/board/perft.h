// The perft command line: talvor perft <depth> [FEN...].
#pragma once

// Counts the move paths of the given depth from the standard position or the FEN; returns the
// process exit status.
int perft_main(int argc, char** argv);
