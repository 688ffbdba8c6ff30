// The engine's pseudo-random generator: a linear congruential generator of its own, so that
// every platform draws the same numbers from the same seed (book choice, first move).
#pragma once

#include <cstdint>

// Starts the sequence from seed (start-up seeds it with the clock in whole seconds).
void random_seed(uint32_t seed);
// Next number, 0..32767: state = state * 214013 + 2531011 (mod 2^32), bits 16-30 of the state.
int random_draw();
