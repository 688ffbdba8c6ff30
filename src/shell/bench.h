// The benchmark: a fixed list of positions, each searched to a fixed depth from empty tables.
// Its node total is the engine's signature; its speed is the engine's speed.
#pragma once

#include <cstdint>

constexpr int BenchDefaultDepth = 9;
constexpr int BenchMaximumDepth = 40;

// "talvor bench [depth]": the engine's tables, the bench, its three result lines. Returns the
// process status.
int bench_main(int argc, char** argv);

// Runs the bench and prints "Total time (ms)", "Nodes searched" and "Nodes/second". A depth
// below 1 takes the default.
void bench_command(int depth);

// The searches alone: the node total, and the time they took (setting up the positions and
// clearing the tables not counted).
uint64_t run_bench(int depth, double& milliseconds);

// The positions (FEN texts).
int bench_position_count();
const char* bench_position(int i);
