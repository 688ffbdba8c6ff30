#include "shell/think.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "book/book.h"
#include "core/game_history.h"
#include "core/output.h"
#include "core/random.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "eval/evaluate.h"
#include "search/history.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_node.h"
#include "shell/game_moves.h"
#include "uci/dispatcher.h"

MOVE best_move = 0;
MOVE expected_reply = NO_MOVE;
int16_t current_score = 0;

uint8_t ponder_result_found = 0;
MOVE ponder_best = 0;
MOVE ponder_reply = NO_MOVE;
int16_t ponder_score = 0;

MOVE ponder_player_moves[RootMoveCapacity + 1] = {};
uint8_t ponder_player_side = White;

namespace {

constexpr int MinimumNodeBudget = 20000;
constexpr int LosingScore = -70;
constexpr int EasyRecaptureMargin = 200;
constexpr int TimeFactorStep = 10;
constexpr int TimeFactorMinimum = 50;
constexpr int TimeFactorMaximum = 20000;
constexpr int RealBoardSeconds = 5;
constexpr int MinimumMovesToGo = 20;
constexpr int ConsoleHardMargin = 10;           // seconds kept from the console's hard limit
constexpr double ConsoleMinimumHardLimit = 1.0; // seconds a console move may always take
constexpr double InterfaceMargin = 0.05;        // seconds at least kept from the interface's clock
constexpr double InterfaceMarginShare = 1.0 / 20; // and at least this share of it
constexpr double StopAllowance = 0.05; // seconds from the stop decision to the answer's arrival
constexpr double MinimumMeasuredSeconds = 0.05; // the shortest move whose speed is measured

// The latest end of a move on the interface's clock of T seconds with g moves to go (0: the whole
// game), counted from its start. A share of the clock stays for the interface's own delays and
// the engine's stop (the last poll, the answer on its way). With two moves or more to go, the
// rest of the period keeps for each of its moves at least a third of what this one took, so the
// last moves before the control still have time: three times the average share, the search's
// limit, was more than the whole clock with two moves to go, and all of it with three.
double latest_move_end(double T, int g) {
    double end = T - std::max(InterfaceMargin, T * InterfaceMarginShare) - StopAllowance;
    if (g >= 2) end = std::min(end, 3 * T / (g + 2));
    return end;
}

// The first move from the standard position: one of four openings, equally likely.
const char* const FirstMoves[] = {"e4", "d4", "Nf3", "c4"};
constexpr int FirstMoveWeight = 25;

int side_sign() {
    return SideToMove == White ? 1 : -1;
}

// Was the move that led to the game position a capture?
bool opponent_captured() {
    return GamePly > 0 && is_real_move(LastGameMove) && move_captured(LastGameMove) != 0;
}

// The engine's own move by mode_char (not a move it finds for the opponent).
bool engines_own_move() {
    return mode_char == 'A' || (mode_char == 'B' && SideToMove == White) ||
           (mode_char == 'N' && SideToMove == Black);
}

bool random_first_move() {
    const int x = random_draw() * 100 / 32767;
    const int wanted = x < 100 ? x : 100;
    int total = 0;
    const char* text = nullptr;
    for (const char* choice : FirstMoves) {
        total += FirstMoveWeight;
        if (total >= wanted) {
            text = choice;
            break;
        }
    }
    if (text == nullptr) return false;
    for (int i = 0; i < RootMoveCapacity && root_moves[i]; ++i) {
        if (std::strcmp(root_move_text[i], text) != 0) continue;
        best_move = root_moves[i];
        expected_reply = NO_MOVE;
        current_score = 0;
        return true;
    }
    return false;
}

// The game-status code of the root search's answer.
int search_status() {
    const MOVE m = rootBestMove();
    if (m == 0) {
        if (SearchNodes[0].checkState == 0) return 5;
        return SideToMove == White ? 4 : 3; // the side to move is mated
    }
    if (RootScore >= 8999) return SideToMove == White ? 1 : 2; // the move gives mate
    return 0;
}

// The game position as it was before the console's search on the opponent's time made the
// expected reply on it.
struct PonderedPosition {
    int16_t ply;
    int16_t lastIrreversible;
    int16_t reportedScore;
    MOVE lastMove;
    PlyState state;
    KeyPair keys[KeyHistorySize];
};
PonderedPosition before_expected_reply;

// The last think step searched (its move came neither from the book nor from the random first
// move): only a searched move tells how fast the engine is and how well it keeps to its budget.
bool move_was_searched = false;

// What the search on the opponent's time found, for the game loop; nothing when it was
// abandoned or found no move.
void keep_ponder_result() {
    if (abort_ponder || best_move == 0) return;
    ponder_best = best_move;
    ponder_reply = expected_reply;
    ponder_score = current_score;
    ponder_result_found = 1;
}

void charge_pondered_time() {
    int spent = int(now_seconds() - move_start_time);
    if (spent < 1) spent = 1;
    time_used[SideToMove] += spent;
    last_move_time = spent;
}

// The root move with the squares and promotion piece of m; 0 when there is none.
MOVE root_move_like(MOVE m) {
    for (int i = 0; i < RootMoveCapacity && root_moves[i]; ++i) {
        const MOVE r = root_moves[i];
        if (move_from(r) != move_from(m) || move_to(r) != move_to(m)) continue;
        if (move_special(r) != move_special(m)) continue;
        if (move_special(r) == MovePromotion && move_promotion_type(r) != move_promotion_type(m))
            continue;
        return r;
    }
    return 0;
}

// Makes the expected reply on the game board as the game loop would, the position before it
// saved. False (the board unchanged) when the history cannot grow.
bool make_expected_reply(MOVE m) {
    PonderedPosition& saved = before_expected_reply;
    saved.ply = GamePly;
    saved.lastIrreversible = LastIrreversiblePly;
    saved.reportedScore = last_reported_score;
    saved.lastMove = LastGameMove;
    saved.state = PlyStates[0];
    std::memcpy(saved.keys, KeyHistory, sizeof saved.keys);
    return play_game_move(m);
}

// Takes the expected reply back: the game position is again the one saved before it.
void take_back_expected_reply(MOVE m) {
    const PonderedPosition& saved = before_expected_reply;
    unmakeMove(SearchNodes[0], m, 0);
    if (game_history != nullptr) game_history[GamePly] = GameHistoryEntry{};
    GamePly = saved.ply;
    LastIrreversiblePly = saved.lastIrreversible;
    LastGameMove = saved.lastMove;
    PlyStates[0] = saved.state;
    std::memcpy(KeyHistory, saved.keys, sizeof saved.keys);
    SearchNodes[0].side = SideToMove;
    SearchNodes[0].opponent = uint8_t(1 - SideToMove);
    updateMoves(SearchNodes[0], FullUpdate);
    refresh_game_position();
    last_reported_score = saved.reportedScore;
}

// The console's search on the player's time: the reply the last search expected is made on the
// game board, searched until the player presses S and types a move (ponder_move_entry), and
// taken back.
void ponder_at_console() {
    const MOVE reply = expected_reply;
    if (!is_real_move(reply)) return;
    expected_move_played = 0;
    ponder_result_found = 0;
    std::memcpy(ponder_player_moves, root_moves, sizeof ponder_player_moves);
    ponder_player_side = SideToMove;
    const MOVE m = root_move_like(reply);
    if (m == 0 || !make_expected_reply(m)) return;
    if (game_draw_status(m) != 0) {
        take_back_expected_reply(m);
        return;
    }
    refresh_game_position();

    pondering = 1;
    expected_move = m;
    abort_ponder = 0;
    ponder_hit = 0;
    std::printf("\nThinking (S to stop)...");
    std::fflush(stdout);
    allocate_time();
    move_start_time = search_start_time = now_seconds();
    think();

    if (expected_move_played) charge_pondered_time();
    if (root_move_like(best_move) != 0) keep_ponder_result();
    take_back_expected_reply(m);
    pondering = 0;
    abort_ponder = 0;
    ponder_hit = 0;
}

} // namespace

void allocate_time() {
    const int side = SideToMove;
    const int s = side_sign();
    hard_time_ceiling = NoTimeCeiling;
    if (!clock_running) {
        hard_time_limit = 2.0 * seconds_per_move;
        allotted_time[side] = time_factor * seconds_per_move / 100;
    } else {
        int moves = 0, reserve = 0;
        const bool withIncrement = uci_mode ? increment_ms[side] > 0 : increment[side] > 0;
        if (withIncrement) {
            // The moves still to play shrink as the game goes on, but not below twenty: past
            // move forty the count reached one, and the whole clock went into a single move.
            moves = 60 - GamePly / 2;
            if (moves > 40) moves = 40;
            if (moves < MinimumMovesToGo) moves = MinimumMovesToGo;
            if (s * root_score < LosingScore) moves /= 2;
            reserve = 7;
        } else {
            moves = s * root_score < LosingScore ? 20 : 40;
            reserve = 20;
        }
        double allotted = 0;
        if (uci_mode) {
            // The interface's clocks to the millisecond: in whole seconds a blitz clock of two
            // seconds leaves nothing to allot. The reserve kept back and the margin of the hard
            // limit shrink with the clock, so that a short game can be played to its end.
            const double T = clock_ms[side] / 1000.0;
            const double inc = increment_ms[side] / 1000.0;
            const int f = fixed_move_time, d = real_board_delay;
            const double kept = std::min<double>(reserve, T / 10);
            const double margin = std::min(2.0, T / 40);
            double hard = 0;
            if (moves_to_go != 0) {
                const int g = moves_to_go;
                allotted = (T - kept * (1 - f)) / g - RealBoardSeconds * d * (1 - f);
                hard = (T / g) * (g > 1 ? 3 : 1) + margin * f - RealBoardSeconds * d * (1 - f) -
                       margin;
                // A fixed time per move is a limit: stop a little before it.
                if (f) hard -= std::min(0.05, T / 20);
            } else {
                allotted = (T - kept) / moves - RealBoardSeconds * d;
                hard = (T / moves) * (moves > 3 ? 3 : 1) - RealBoardSeconds * d - margin;
            }
            // No extension takes a move past its clock's latest end; a fixed time per move is
            // a limit of its own, which its hard limit already keeps.
            double ceiling = hard;
            if (!f) ceiling = latest_move_end(T, moves_to_go) - RealBoardSeconds * d;
            hard = std::min(hard, ceiling);
            hard_time_limit = hard > 0 ? hard : 0;
            hard_time_ceiling = ceiling > 0 ? ceiling : 0;
            if (T > 3 * (inc + allotted)) allotted += inc;
            allotted = time_factor * allotted / 100;
            if (moves_to_go == 0) {
                char text[48];
                std::snprintf(text, sizeof text, "xtempsprevu : %d", int(allotted));
                send_info(text);
            }
        } else {
            // The console's clocks. The reserve kept back and the margin of the hard limit shrink
            // with a short clock, as they do for the interface's clocks: a fixed margin of ten
            // seconds left no hard limit at all below 160 seconds, and the engine moved after a
            // few thousand nodes. An empty clock (the game goes on past a fallen flag) still
            // leaves time for the minimum budget.
            const double T = side_clock[side] - time_used[side];
            const int g = moves_to_go != 0 ? moves_to_go : moves;
            const double kept = std::clamp(T / 10, 0.0, double(reserve));
            const double margin = std::clamp(T / 40, 0.0, double(ConsoleHardMargin));
            allotted = (T - kept) / g;
            const double hard = (T / g) * (g < 3 ? g : 3) - margin;
            hard_time_limit = std::max(hard, ConsoleMinimumHardLimit);
        }
        const int credits = move_credit_play + move_credit_input;
        if (allotted < credits) allotted = credits;
        if (allotted < 0) allotted = 0;
        allotted_time[side] = int32_t(allotted);
        allotted_seconds = allotted;
    }
    if (!clock_running) allotted_seconds = allotted_time[side];

    easy_recapture = 0;
    if (on_clock) {
        const double seconds = allotted_seconds - move_credit_play - move_credit_input;
        int64_t budget = int64_t(seconds * double(nodes_per_second));
        if (budget < MinimumNodeBudget) budget = MinimumNodeBudget;
        node_limit = node_count + uint64_t(budget);
        if (extra_time_flag) node_limit += uint64_t(budget / 2);
        if (opponent_captured()) {
            const int e = evaluate(SearchNodes[0]);
            if (s * root_score - s * e > EasyRecaptureMargin) {
                easy_recapture = 1;
                node_limit = node_count + (node_limit - node_count) / 4;
            }
        }
    } else {
        node_limit = node_count + uint64_t(node_budget > 0 ? node_budget : 1);
    }
}

int think() {
    if (uci_mode) position_applied = 0;
    nodes_at_move_start = node_count;
    node_limit_at_move_start = node_limit;
    move_was_searched = false;

    if (use_book && standard_start) {
        if (GamePly == 0 && random_first_move()) return 0;
        if (probe_book()) {
            send_info("\nBook move found");
            best_move = book_move;
            expected_reply = NO_MOVE;
            current_score = 0;
            return 0;
        }
    }

    move_was_searched = true;
    resetSearchHistory();
    current_time = search_start_time = now_seconds();
    SearchPly = 0;
    if (uci_mode) status_text = "search";
    engine_busy = 1;
    abort_search = stop_at_root = stop_deepening = 0;
    rootSearch();
    if (uci_mode) status_text = "end of search";
    best_move = rootBestMove();
    expected_reply = rootPonderMove();
    if (expected_reply == 0) expected_reply = NO_MOVE;
    current_score = root_score;
    return search_status();
}

int next_time_factor(int factor, bool overspent) {
    if (overspent)
        return factor - TimeFactorStep < TimeFactorMinimum ? TimeFactorMinimum
                                                           : factor - TimeFactorStep;
    return factor + TimeFactorStep > TimeFactorMaximum ? TimeFactorMaximum
                                                       : factor + TimeFactorStep;
}

bool move_overspent(uint64_t start, uint64_t limitAtStart, uint64_t count, int factor) {
    // An emergency restart moves the start past the first limit: no budget is left then.
    const uint64_t budget = limitAtStart > start ? limitAtStart - start : 0;
    return count - start > budget * 100 / uint64_t(factor);
}

int computer_move() {
    // The speed is measured over the whole move: an emergency restart moves the start of the
    // node budget (nodes_at_move_start) but not the start of the clock.
    const uint64_t nodesBeforeMove = node_count;
    allocate_time();
    move_start_time = search_start_time = now_seconds();
    pondering = 0;
    abort_ponder = 0; // a stop left over from a search on the opponent's time is not for this one
    const int status = think();

    current_time = now_seconds();
    const double elapsed = current_time - move_start_time;
    // Judged after the think step: the move that leaves the book is searched, and counts.
    const bool measured = move_was_searched && engines_own_move();
    if (measured && on_clock) {
        // A move that the clock stopped overspent, whatever its node count. With the speed
        // taken too high the node budget outlasts the time: every search ended at the hard
        // limit, counted as thrifty, and the factor rose move after move, each move taking the
        // hard limit's three average shares until the last moves before a time control had
        // nothing left. A fixed time per move always ends on the clock and is judged by its
        // nodes.
        const bool stoppedByClock = !fixed_move_time && elapsed >= hard_time_limit;
        const bool overspent =
            stoppedByClock ||
            move_overspent(nodes_at_move_start, node_limit_at_move_start, node_count, time_factor);
        time_factor = int16_t(next_time_factor(time_factor, overspent));
    }

    const int credits = move_credit_play + move_credit_input;
    const int spent = int(elapsed) + credits;
    last_move_time = spent < 1 ? 1 : spent;
    const int side = SideToMove;
    if (on_clock) {
        if (clock_running) {
            // The time the move really took, its fractions carried over (a move of a tenth of a
            // second is not a second: with short clocks that emptied them twice as fast as the
            // game went), and the operator's credits.
            charge_clock(side, elapsed);
            time_used[side] += credits;
            side_clock[side] += increment[side];
        } else {
            time_used[side] = 0;
            side_clock[side] = 0;
        }
    }
    // The speed is measured on every move long enough to count its nodes: measured on moves of
    // a whole second only, as with clocks in whole seconds, it was never measured at blitz, and
    // the node budgets of a loaded machine outlasted their time move after move.
    if (measured && elapsed >= MinimumMeasuredSeconds && !extra_time_flag) {
        const uint64_t moveNodes = node_count - nodesBeforeMove;
        nodes_per_second = uint32_t(double(moveNodes + 385) / (now_seconds() - search_start_time));
        speed_measured = 1;
    }
    return status;
}

void ponder() {
    if (console_mode) {
        ponder_at_console();
        return;
    }
    expected_move_played = 0;
    ponder_result_found = 0;
    pondering = 1;
    expected_move = LastGameMove;
    abort_ponder = 0;
    ponder_hit = 0;
    allocate_time();
    move_start_time = search_start_time = now_seconds();
    think();

    if (expected_move_played) charge_pondered_time();
    keep_ponder_result();
    abort_ponder = 0;
    ponder_hit = 0;
}

MOVE ponder_stop_move() {
    const MOVE best = rootBestMove();
    if (best != 0) return best;
    return root_moves[0];
}
