#include "search/poll.h"

#include <cinttypes>
#include <cstdio>

#include "core/output.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "platform/platform.h"
#include "search/hash_table.h"
#include "search/report.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_hooks.h"
#include "search/search_node.h"

namespace {

// Fine enough for a fixed time of a few hundredths of a second at the engine's speed.
constexpr uint64_t PollInterval = 4096;
// On the clock the poll comes four times as often: a move stops at most this many nodes after
// its hard limit, a few milliseconds even at a slow engine's speed.
constexpr uint64_t ClockPollInterval = 1024;
constexpr uint64_t ClockInterval = uint64_t(1) << 18;
constexpr uint64_t SpeedLineInterval = uint64_t(1) << 21;
constexpr uint64_t CalibrationMask = 0xFFFF;
constexpr int ScoreDropMargin = 50;
constexpr int ScoreDropMarginWithExtraTime = 200;

void send_speed_line() {
    const uint64_t searched = node_count - nodes_at_move_start;
    const uint64_t seconds = uint64_t(current_time - search_start_time);
    char line[96];
    std::snprintf(line, sizeof line, " nps %" PRIu64 " nodes %u hashfull %d",
                  searched / (seconds + 1), uint32_t(searched), hashFullPermill());
    send_info(line);
    resetHashStatistics();
}

bool stop_now() {
    abort_search = 1;
    return true;
}

// After the budget is spent: more time when the search is in trouble or has hardly begun. The
// depth and the score change are taken for the side to move at the polling node.
bool deserves_more(int side) {
    if (RootScore < RootAlpha && PrevScore < -MateThreshold) return true;
    if (RootHorizon / 4 <= last_depth[side] / 4 - 1 && RootHorizon < 17 && !extra_time_flag)
        return true;
    if (root_moves_searched < 2 && !extra_time_flag) return true;
    if (!pondering || ponder_hit) {
        int drop = RootScore * RootSign - PrevScore;
        if (side == Black) drop = -drop;
        if (drop < -ScoreDropMargin && (!extra_time_flag || drop < -ScoreDropMarginWithExtraTime))
            return true;
    }
    return false;
}

} // namespace

bool halfBudgetSpent() {
    return node_count - nodes_at_move_start > (node_limit - nodes_at_move_start) / 2;
}

void calibrateSpeed() {
    double elapsed = now_seconds() - search_start_time;
    if (elapsed < 0.001) elapsed = 0.001;
    const double measured = double(node_count - nodes_at_move_start + 385) / elapsed;
    const double budget = double(node_limit - nodes_at_move_start);
    const double scaled = budget * measured / double(nodes_per_second) * 2.0;
    node_limit = nodes_at_move_start + uint64_t(scaled < 1.0 ? 1.0 : scaled);
    node_limit_at_move_start = node_limit;
    speed_measured = 1;
}

bool poll(SearchNode& node) {
    if (node_count % (on_clock ? ClockPollInterval : PollInterval) != 0) return false;

    if (console_mode && pondering && !ponder_hit && platform_key_waiting() &&
        search_hooks.ponder_key())
        return true;
    // A search on the clock reads it at every poll: a blitz move lasts a few polls only.
    if (on_clock || node_count % ClockInterval == 0) current_time = now_seconds();
    if (uci_mode) {
        search_hooks.take_input();
        if (abort_search) return true;
        if (node_count % SpeedLineInterval == 0) send_speed_line();
    }
    if (unlimited) return false;

    if (!speed_measured && (!pondering || ponder_hit) && on_clock &&
        (node_count & CalibrationMask) == 0)
        calibrateSpeed();
    if (pondering && !ponder_hit) return false;

    // A node budget ("go nodes") is a hard limit: never extended, reached as soon as a move is
    // known.
    if (!on_clock) {
        if (node_count <= node_limit) return false;
        stop_deepening = 1;
        return stop_at_root ? stop_now() : false;
    }

    const bool overTime = current_time > move_start_time + hard_time_limit;
    // Before the speed is known the node budget means little; the clock still holds.
    if (!speed_measured && !overTime) return false;
    if (node_count <= node_limit && !overTime) return false;
    if (overTime) stop_deepening = 1;

    if (emergency_mode) {
        if (!stop_at_root) {
            // The shallow search after a restart may finish its iteration, but not past the
            // latest end of the move: there the best root move scored so far is played.
            if (iteration_has_best && current_time > move_start_time + hard_time_ceiling) {
                stop_at_root = 1;
                return stop_now();
            }
            stop_deepening = 1;
            return false;
        }
    } else if (!stop_at_root) {
        // Nothing usable yet: the root restarts shallower with more nodes.
        restart_requested = 1;
        return stop_now();
    }

    if (!budget_extended) {
        if (overTime) return stop_now();
        if (moves_to_go == 0 || moves_to_go > 2) {
            if (ponder_hit) return stop_now();
            if (deserves_more(node.side)) {
                budget_extended = 1;
                node_limit = 2 * node_limit - nodes_at_move_start;
                return false;
            }
            return stop_now();
        }
    }
    return stop_now();
}
