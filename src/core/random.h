// The engine's pseudo-random generator: a linear congruential generator of its own, so that
// every platform draws the same numbers from the same seed (book choice, first move).
#pragma once

#include <cstdint>

// Starts the sequence from seed.
void random_seed(uint32_t seed);
// A seed from a fine clock and the process id, every bit of both mixed into every bit of the
// seed: engines started in the same second, or one after another, draw unrelated sequences.
uint32_t mixed_seed(uint64_t clock, uint32_t process);
// Next number, 0..32767: state = state * 214013 + 2531011 (mod 2^32), bits 16-30 of the state.
int random_draw();
