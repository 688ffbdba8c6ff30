#include "core/random.h"

namespace {
uint32_t random_state = 1;
}

void random_seed(uint32_t seed) {
    random_state = seed;
}

int random_draw() {
    random_state = random_state * 214013u + 2531011u;
    return int((random_state >> 16) & 0x7FFF);
}

uint32_t mixed_seed(uint64_t clock, uint32_t process) {
    // The finaliser of splitmix64: each input bit flips about half of the output bits.
    uint64_t z = clock ^ (uint64_t(process) << 32) ^ (uint64_t(process) * 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    z ^= z >> 31;
    return uint32_t(z ^ (z >> 32));
}
