#include "console/move_entry.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "board/position.h"
#include "board/root_moves.h"
#include "console/key_input.h"
#include "console/take_back.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "platform/platform.h"
#include "search/report.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_node.h"
#include "shell/game_loop.h"
#include "shell/think.h"

char pending_command[PendingCommandSize] = {};
uint8_t resign_confirmed = 0;

namespace {

constexpr int StatusMove = 0;
constexpr int StatusWhiteMates = 3; // the side to move (black) has no move and is in check
constexpr int StatusBlackMates = 4;
constexpr int StatusStalemate = 5;
constexpr int StatusModeChanged = 88;
constexpr int StatusTakenBack = 99;
constexpr MOVE NoExpectedReply = MarkAsk; // a human move comes with no expected reply
constexpr const char* YesNo = "ONY";

// Commands that ponder_move_entry hands to human_move.
const char* const PendingCommands[] = {"TB", "CTB", "CTN", "CM", "P", "CC", "C"};

bool is(const char* text, const char* word) {
    return std::strcmp(text, word) == 0;
}

void refuse() {
    if (sound) platform_write_char(KeyBell);
}

// The two squares of a typed move: A-H, 1-8, A-H, 1-8.
bool typed_squares(const char* text, int& from, int& to) {
    if (std::strlen(text) != 4) return false;
    for (int i = 0; i < 4; ++i) {
        const char low = i % 2 ? '1' : 'A';
        if (text[i] < low || text[i] > low + 7) return false;
    }
    from = make_square(text[0] - 'A', text[1] - '1');
    to = make_square(text[2] - 'A', text[3] - '1');
    return true;
}

int ask_promotion_piece() {
    refuse();
    std::printf("\nEntrez la pièce promue (DTFC) : ");
    return read_answer("DTFC");
}

bool same_squares_and_piece(MOVE a, MOVE b) {
    if (move_from(a) != move_from(b) || move_to(a) != move_to(b)) return false;
    const bool promotion = move_special(a) == MovePromotion;
    if (promotion != (move_special(b) == MovePromotion)) return false;
    return !promotion || move_promotion_type(a) == move_promotion_type(b);
}

// The human's move is made next: the reply found on the opponent's time is played at once when
// the move is the one it expected.
int play_human_move(MOVE m) {
    best_move = m;
    expected_reply = NoExpectedReply;
    ponder_result_ready = ponder_enabled && ponder_result_found &&
                          (m & MoveIdentityMask) == (expected_move & MoveIdentityMask);
    current_score = last_reported_score;
    return StatusMove;
}

// The player's time for the move, from the start of the turn to the move (charged as the engine's
// own moves are, fractions of a second carried to the next move), and the Fischer increment.
void charge_player(int side, double seconds) {
    if (!on_clock || !clock_running) return;
    charge_clock(side, seconds);
    side_clock[side] += increment[side];
}

// "CTB" / "CTN": the remaining time of one side, in minutes.
void change_clock(int side) {
    std::printf("\nEntrer le temps restant en minutes : ");
    const int minutes = read_number(4);
    time_used[side] = side_clock[side] - minutes * 60;
    reset_clock_carry(side);
}

// "CM": a new mode; false when it changes nothing.
bool change_mode() {
    std::printf("\nChange Mode");
    std::printf("\nMode automatique : A");
    std::printf("\nOrdinateur=blanc=white : B");
    std::printf("\nOrdinateur=noir=black  : N");
    std::printf("\nContrôle coups : C");
    std::printf("\nEntrez le mode sélectionné : ");
    const int mode = read_answer("ABNC");
    if (mode == mode_char) return false;
    const bool engineToMove =
        (mode_char == 'B' && SideToMove == White) || (mode_char == 'N' && SideToMove == Black);
    if (engineToMove) return false;
    mode_char = uint8_t(mode);
    return true;
}

// A typed move of the side to move; 0 when it is not legal here.
MOVE typed_move(const char* text) {
    MOVE m = 0;
    int result = findTypedMove(text, 0, &m);
    if (result == TypedMoveNeedsPiece) result = findTypedMove(text, ask_promotion_piece(), &m);
    return result == TypedMoveFound ? m : 0;
}

} // namespace

int resignation_status(const char* text) {
    for (const char* word : {"WR", "AB", "BA"})
        if (is(text, word)) return 9;
    for (const char* word : {"BR", "AN", "NA"})
        if (is(text, word)) return 10;
    return 0;
}

int human_move() {
    // The player's clock runs from here, through the engine's search on the player's time.
    double turnStart = now_seconds();
    pending_command[0] = 0;
    // What an earlier search on the opponent's time left is not for this position.
    expected_move_played = 0;
    ponder_result_found = 0;
    if (ponder_enabled && mode_char != 'C' && GamePly >= 1) ponder();
    SearchNodes[0].side = SideToMove;
    // A player without a legal move has lost by mate or drawn by stalemate: the game ends as it
    // does when the engine finds itself so.
    if (root_moves[0] == 0) {
        if (SearchNodes[0].checkState == 0) return StatusStalemate;
        return SideToMove == White ? StatusBlackMates : StatusWhiteMates;
    }

    for (;;) {
        if (expected_move_played) {
            expected_move_played = 0;
            charge_player(SideToMove, move_start_time - turnStart); // typed at move_start_time
            return play_human_move(opponent_move);
        }
        char text[PendingCommandSize]; // a typed text or a command kept from the ponder search
        if (pending_command[0] != 0) {
            std::snprintf(text, sizeof text, "%s", pending_command);
            pending_command[0] = 0;
        } else {
            std::printf("\nVotre coup : ");
            read_move_text(text);
        }

        if (is(text, "TB")) {
            if (GamePly >= 1) {
                ponder_result_ready = ponder_result_found = 0;
                take_back();
                return StatusTakenBack;
            }
            std::printf("\nTake back impossible - Position de départ");
            continue;
        }
        if (is(text, "CTB") || is(text, "CTN")) {
            change_clock(is(text, "CTB") ? White : Black);
            turnStart = now_seconds(); // the clock set counts from now
            continue;
        }
        if (is(text, "CM")) {
            if (change_mode()) return StatusModeChanged;
            continue;
        }
        if (is(text, "P") || is(text, "CC")) {
            std::printf("\nPlaying...\n");
            mode_char = SideToMove == White ? 'B' : 'N';
            return StatusModeChanged;
        }
        if (is(text, "C")) {
            mode_char = 'C';
            return StatusModeChanged;
        }
        if (const int status = resignation_status(text)) {
            if (resign_confirmed) return status;
            std::printf("\nConfirmer (y/n) : ");
            if (read_answer(YesNo) != 'N') {
                resign_confirmed = 1;
                return status;
            }
            continue;
        }
        int from = 0, to = 0;
        const MOVE m = typed_squares(text, from, to) ? typed_move(text) : 0;
        if (m != 0) {
            charge_player(SideToMove, now_seconds() - turnStart);
            return play_human_move(m);
        }
        refuse();
    }
}

int ponder_move_entry() {
    for (;;) {
        std::printf("\nVotre coup : ");
        char text[MoveTextLength + 1];
        read_move_text(text);
        for (const char* command : PendingCommands) {
            if (!is(text, command)) continue;
            std::snprintf(pending_command, sizeof pending_command, "%s", text);
            return 2;
        }
        // The player may resign for the side whose move is awaited. A refused confirmation goes
        // back to the move prompt: the game goes on.
        const int status = resignation_status(text);
        if (status == (ponder_player_side == White ? 9 : 10)) {
            std::printf("\nConfirmer (y/n) : ");
            if (read_answer(YesNo) == 'N') continue;
            resign_confirmed = 1;
            std::snprintf(pending_command, sizeof pending_command, "%s", text);
            return 2;
        }

        // The board is in the middle of the search: the move is looked up in the player's legal
        // moves kept when the search began.
        int from = 0, to = 0;
        if (!typed_squares(text, from, to)) continue;
        bool promotion = false;
        for (const MOVE* p = ponder_player_moves; *p; ++p)
            promotion |=
                move_from(*p) == from && move_to(*p) == to && move_special(*p) == MovePromotion;
        const int piece = promotion ? ask_promotion_piece() : 0;
        MOVE found = 0;
        for (const MOVE* p = ponder_player_moves; *p && found == 0; ++p) {
            if (move_from(*p) != from || move_to(*p) != to) continue;
            if (promotion && TypeLetter[move_promotion_type(*p)] != piece) continue;
            found = *p;
        }
        if (found == 0) {
            refuse();
            continue;
        }
        opponent_move = found;
        move_start_time = now_seconds();
        expected_move_played = 1;
        return same_squares_and_piece(found, expected_move) ? 1 : 0;
    }
}

bool console_ponder_key() {
    if (sound) platform_write_char(KeyBell);
    const int key = console_key();
    if (key == 0) console_key(); // an extended key's second code is not a key of its own
    if (key != 'S' && key != 's') return false;
    const int result = ponder_move_entry();
    if (result == 1) {
        ponder_hit = 1;
        std::printf("   - Coup enregistré -\n");
        if (stop_at_root) {
            std::printf("****************************\n");
            std::printf("Evaluation - %d : %d \n", RootHorizon / 4, PrevScore);
            showTree(&PrevPv[2]);
        }
        std::fflush(stdout);
        return false;
    }
    abort_ponder = 1;
    abort_search = 1;
    return true;
}
