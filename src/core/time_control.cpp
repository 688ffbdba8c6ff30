#include "core/time_control.h"

#include "platform/platform.h"

uint8_t on_clock = 1;
uint8_t clock_running = 1;
uint8_t unlimited = 0;
uint8_t fixed_move_time = 0;
int16_t moves_to_go = 0;
int32_t side_clock[2] = {60, 60};
int16_t increment[2] = {0, 0};
int64_t clock_ms[2] = {60000, 60000};
int64_t increment_ms[2] = {0, 0};
int32_t time_used[2] = {0, 0};
int64_t node_budget = 400000;
int32_t go_depth_limit = 0;
int32_t go_mate_moves = 0;
uint8_t go_infinite = 0;
int16_t time_factor = 170;
uint8_t seconds_per_move = 15;
uint32_t nodes_per_second = 500000;
double reference_time = 0.0;

int32_t allotted_time[2] = {0, 0};
double allotted_seconds = 0.0;
double hard_time_limit = 0.0;
double hard_time_ceiling = NoTimeCeiling;
double move_start_time = 0.0;
double search_start_time = 0.0;
double current_time = 0.0;
int32_t last_move_time = 1;
uint64_t nodes_at_move_start = 0;
uint64_t node_limit_at_move_start = 0;
uint8_t extra_time_flag = 0;
uint8_t easy_recapture = 0;
uint8_t speed_measured = 0;

namespace {

// The part of a second each side has played and its clock has not been charged yet.
double uncharged_seconds[2] = {0.0, 0.0};

} // namespace

double now_seconds() {
    int64_t seconds = 0;
    int milliseconds = 0;
    platform_wall_clock(&seconds, &milliseconds);
    return double(seconds) + milliseconds * 0.001;
}

void charge_clock(int side, double seconds) {
    if (seconds > 0) uncharged_seconds[side] += seconds;
    const int whole = int(uncharged_seconds[side]);
    uncharged_seconds[side] -= whole;
    time_used[side] += whole;
}

void reset_clock_carry(int side) {
    uncharged_seconds[side] = 0.0;
}
