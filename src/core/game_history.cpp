#include "core/game_history.h"

#include <cstdlib>
#include <cstring>

int start_half_move_clock = 0;
int start_move_number = 1;

GameHistoryEntry* game_history = nullptr;
int game_history_capacity = 0;

namespace {

// Two records beyond the capacity: entry 0 and one spare.
bool resize(int capacity) {
    const size_t count = size_t(capacity) + 2;
    void* grown = std::realloc(game_history, count * sizeof(GameHistoryEntry));
    if (grown == nullptr) return false;
    auto* entries = static_cast<GameHistoryEntry*>(grown);
    const size_t old = game_history == nullptr ? 0 : size_t(game_history_capacity) + 2;
    std::memset(entries + old, 0, (count - old) * sizeof(GameHistoryEntry));
    game_history = entries;
    game_history_capacity = capacity;
    return true;
}

} // namespace

bool ensure_game_history(int ply) {
    if (game_history == nullptr && !resize(GameHistoryStartCapacity)) return false;
    while (ply > game_history_capacity)
        if (!resize(game_history_capacity + GameHistoryGrowth)) return false;
    if (ply >= 0) game_history[ply] = GameHistoryEntry{};
    return true;
}

void release_game_history() {
    std::free(game_history);
    game_history = nullptr;
    game_history_capacity = 0;
}
