#include "fuzz/harness_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "board/consistency.h"
#include "board/perft.h"
#include "board/position.h"
#include "core/random.h"
#include "core/time_control.h"
#include "eval/evaluate.h"
#include "search/hash_table.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_state.h"
#include "shell/startup.h"
#include "uci/dispatcher.h"

namespace {

constexpr int FuzzHashMegabytes = 1;
constexpr int SearchDepth = 1;
constexpr uint64_t SearchNodeCap = 20000;
constexpr int PerftDepth = 2;

std::filesystem::path scratch_directory;

void remove_scratch_directory() {
    std::error_code ignored;
    if (!scratch_directory.empty()) std::filesystem::remove_all(scratch_directory, ignored);
}

} // namespace

void fuzz_fresh_engine() {
    static bool prepared = false;
    if (!prepared) {
        init_engine_tables();
        init_token_table();
        prepared = true;
    }
    reset_engine_state();
    // A Hash setting of an earlier input is undone; the table is sized only when it changes.
    if (HashTable == nullptr || HashMegabytes != FuzzHashMegabytes) {
        HashMegabytes = FuzzHashMegabytes;
        sizeHashTables();
    }
    random_seed(1);
}

const char* fuzz_check_game_position() {
    SearchNode& root = SearchNodes[0];
    if (const char* problem = positionInconsistency(root)) return problem;
    const int8_t ply = SearchPly;
    SearchPly = 0;
    perft(root, PerftDepth);
    SearchPly = ply;
    if (const char* problem = positionInconsistency(root)) return problem;
    evaluate(root);
    return nullptr;
}

const char* fuzz_search_game_position() {
    clearSearchMemory();
    root_score = last_reported_score = 0;
    on_clock = 0;
    unlimited = 1;
    go_depth_limit = SearchDepth;
    go_mate_moves = 0;
    pondering = ponder_hit = 0;
    SearchPly = 0;
    nodes_at_move_start = node_count;
    node_limit = node_limit_at_move_start = node_count + SearchNodeCap;
    move_start_time = search_start_time = current_time = now_seconds();
    abort_search = stop_at_root = stop_deepening = abort_ponder = 0;
    rootSearch();
    SearchPly = 0;
    return positionInconsistency(SearchNodes[0]);
}

std::string fuzz_scratch_path(const char* leaf) {
    if (scratch_directory.empty()) {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error))
            base = std::filesystem::temp_directory_path(error);
        scratch_directory = base / ("talvor-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(scratch_directory, error);
        std::atexit(remove_scratch_directory);
    }
    return (scratch_directory / leaf).string();
}

bool fuzz_write_file(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}
