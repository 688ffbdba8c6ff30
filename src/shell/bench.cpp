#include "shell/bench.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/position.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "search/hash_table.h"
#include "search/history.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_state.h"
#include "shell/input_reader.h"
#include "shell/startup.h"
#include "uci/dispatcher.h"

namespace {

// Openings, middlegames with tactics, endgames, mates and promotions, each searched from empty
// tables: the node total they give is the engine's signature.
const char* const BenchPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4",
    "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w KQkq - 0 6",
    "rnbqkb1r/ppp2ppp/4pn2/3p4/2PP4/2N5/PP2PPPP/R1BQKBNR w KQkq - 2 4",
    "rnbq1rk1/ppp1ppbp/3p1np1/8/2PPP3/2N2N2/PP3PPP/R1BQKB1R w KQ - 1 6",
    "rnbqk1nr/ppp2ppp/4p3/3p4/1b1PP3/2N5/PPP2PPP/R1BQKBNR w KQkq - 2 4",
    "rn1qkbnr/pp2pppp/2p5/5b2/3PN3/8/PPP2PPP/R1BQKBNR w KQkq - 1 5",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8",
    "r1b1k2r/ppppqppp/2n2n2/2b1p3/2B1P3/2PP1N2/PP3PPP/RNBQK2R w KQkq - 3 6",
    "r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 1",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
    "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - - 0 1",
    "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - - 0 1",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 1",
    "2kr1bnr/pbpq4/2n1pp2/3p3p/3P1P1B/2N2N1Q/PPP3PP/2KR1B1R w - - 0 1",
    "3rr1k1/pp3pp1/1qn2np1/8/3p4/PP1R1P2/2P1NQPP/R1B3K1 b - - 0 1",
    "2r1nrk1/p2q1ppp/bp1p4/n1pPp3/P1P1P3/2PBB1N1/4QPPP/R4RK1 w - - 0 1",
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "8/7p/5k2/5p2/p1p2P2/Pr1pPK2/1P1R3P/8 b - - 0 1",
    "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1",
    "8/8/8/4k3/8/8/8/KQ6 w - - 0 1",
    "8/8/8/4k3/8/8/8/KBN5 w - - 0 1",
    "1K1k4/1P6/8/8/8/8/r7/2R5 w - - 0 1",
    "8/8/8/3k4/8/3K4/3P4/8 w - - 0 1",
    "8/1P4k1/8/8/8/8/6p1/K7 w - - 0 1",
    "8/8/8/8/3k4/8/3r4/KQ6 w - - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "r1bqr1k1/ppp2ppp/2np4/2b1p1B1/2B1P1n1/2NP1N2/PPP2PPP/R2Q1RK1 w - - 0 8",
    "8/8/1p1k4/1P1p4/3P4/4K3/8/8 w - - 0 1",
    "5rk1/pp4pp/4p3/2R3Q1/3n4/2q4r/P1P2PPP/5RK1 b - - 0 1",
    "r5k1/5ppp/1p6/2p5/2P5/1P6/5PPP/3R2K1 w - - 0 1",
};

constexpr int BenchHashMegabytes = 64;

// Searches one position from empty tables; seconds receives the time of the search alone.
uint64_t search_position(const char* fen, int depth, double& seconds) {
    command_line = std::string("position fen ") + fen;
    parse_command_line(0);
    clearSearchMemory();
    root_score = last_reported_score = 0;
    on_clock = 0;
    unlimited = 1;
    go_depth_limit = depth;
    go_mate_moves = 0;
    pondering = ponder_hit = 0;
    speed_measured = 0;
    SearchPly = 0;
    const uint64_t start = node_count;
    nodes_at_move_start = node_count;
    node_limit = node_limit_at_move_start = UINT64_MAX / 2;
    move_start_time = search_start_time = current_time = now_seconds();
    abort_search = stop_at_root = stop_deepening = abort_ponder = 0;
    rootSearch();
    seconds = now_seconds() - move_start_time;
    return node_count - start;
}

} // namespace

int bench_position_count() {
    return int(sizeof BenchPositions / sizeof BenchPositions[0]);
}

const char* bench_position(int i) {
    return BenchPositions[i];
}

uint64_t run_bench(int depth, double& milliseconds) {
    // The same search whatever the mode: no reports and no input during the bench, and a table
    // of a fixed size.
    const uint8_t savedUci = uci_mode, savedConsole = console_mode;
    const int16_t savedHash = HashMegabytes;
    const uint8_t savedReady = isready_seen;
    const int32_t savedDepthLimit = go_depth_limit;
    uci_mode = console_mode = 0;
    isready_seen = 1;
    if (HashTable == nullptr || HashMegabytes != BenchHashMegabytes) {
        HashMegabytes = BenchHashMegabytes;
        sizeHashTables();
    }
    uint64_t total = 0;
    double seconds = 0;
    for (const char* fen : BenchPositions) {
        double searching = 0;
        total += search_position(fen, depth, searching);
        seconds += searching;
    }
    milliseconds = seconds * 1000.0;
    if (savedHash != BenchHashMegabytes) {
        HashMegabytes = savedHash;
        sizeHashTables();
    }
    uci_mode = savedUci;
    console_mode = savedConsole;
    isready_seen = savedReady;
    go_depth_limit = savedDepthLimit;
    return total;
}

void bench_command(int depth) {
    if (depth < 1) depth = BenchDefaultDepth;
    if (depth > BenchMaximumDepth) depth = BenchMaximumDepth;
    double milliseconds = 0;
    const uint64_t nodes = run_bench(depth, milliseconds);
    const uint64_t ms = uint64_t(milliseconds < 1 ? 1 : milliseconds);
    std::printf("\nTotal time (ms) : %" PRIu64 "\n", ms);
    std::printf("Nodes searched  : %" PRIu64 "\n", nodes);
    std::printf("Nodes/second    : %" PRIu64 "\n", nodes * 1000 / ms);
    std::fflush(stdout);
}

int bench_main(int argc, char** argv) {
    const int depth = argc > 2 ? std::atoi(argv[2]) : BenchDefaultDepth;
    init_engine_tables();
    init_token_table();
    max_depth = 60;
    bench_command(depth);
    return 0;
}
