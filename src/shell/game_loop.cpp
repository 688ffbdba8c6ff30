#include "shell/game_loop.h"

#include <cstdio>
#include <cstdlib>

#include "board/position.h"
#include "board/root_moves.h"
#include "book/book.h"
#include "console/key_input.h"
#include "console/move_entry.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "eval/evaluate.h"
#include "platform/platform.h"
#include "record/game_record.h"
#include "search/report.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_node.h"
#include "shell/game_moves.h"
#include "shell/think.h"
#include "uci/dispatcher.h"
#include "uci/uci_output.h"

uint8_t ponder_result_ready = 0;
uint8_t pause_between_moves = 0;

namespace {

constexpr int StatusGoesOn = 0;
constexpr int StatusModeChanged = 88;
constexpr int StatusTakenBack = 99;
constexpr int BookLearningScore = 300;
constexpr int ShadedSquare = 0xB2;

bool engine_to_move() {
    switch (mode_char) {
    case 'A': return true;
    case 'B': return SideToMove == White;
    case 'N': return SideToMove == Black;
    default: return false;
    }
}

void write_square(int square) {
    std::printf("%c%d", 'A' + file_of(square), rank_of(square) + 1);
}

// The interface hears the engine's answer to its go (once: nothing when it was already given).
void write_bestmove(MOVE move, MOVE reply, int status) {
    if (sound && bestmove_due) platform_write_char(KeyBell);
    send_bestmove(move, reply, status != 1 && status != 2);
}

// The console's view of the position after a move: the board, the score and the clocks.
void show_position(MOVE move, int score) {
    if (sound) platform_write_char(KeyBell);
    std::printf("\n\n");
    for (int square = 0; square < 64; ++square) {
        if (rank_of(square) == 0) platform_write_char(ShadedSquare);
        std::printf("%c", Board[square].letter ? Board[square].letter : ' ');
    }
    platform_write_char(ShadedSquare);
    std::printf("\nEvaluation : ");
    const bool staticScore = mode_char == 'C' || (mode_char == 'B' && SideToMove == Black) ||
                             (mode_char == 'N' && SideToMove == White);
    if (staticScore) {
        std::printf("%d", evaluate(SearchNodes[0]));
    } else {
        const int s = score;
        if (s < -8499 || s > 8499) {
            const int d = s < 1 ? s + 9000 : 9000 - s;
            std::printf("%s", s < 1 ? "-" : "+");
            if (d / 2 >= 1)
                std::printf("mat en %d : %d\n", d / 2, s);
            else
                std::printf("mat : %d", s);
        } else {
            std::printf("%d", s);
        }
    }
    const int side = SideToMove;
    const int left = side_clock[side] - time_used[side];
    std::printf("\nNbcoups : %d", (GamePly + 1) / 2);
    std::printf("%s", side == White ? "-N  " : "-B  ");
    std::printf("Tmps : %5.2f", left / 60 + (left % 60) / 100.0);
    std::printf("  Tpc : %5.2f",
                double(allotted_time[side] - move_credit_play - move_credit_input));
    std::printf(" Cpt : %llu", (unsigned long long)node_count);
    std::printf(" Cps : %u", nodes_per_second);
    std::printf(" Pr : %d", RootHorizon / 4);
    std::printf("\n");
    showTree(&PrevPv[RootPly + 1]);
    std::printf(" ");
    write_square(move_from(move));
    write_square(move_to(move));
    if (move_special(move) == MovePromotion)
        std::printf(":%c", TypeLetter[move_promotion_type(move)]);
    std::printf("\n\n\n\n\n");
    std::fflush(stdout);
}

// The whole game written again, with its ply count, at the end of a game.
void rewrite_game_record() {
    game_file_handle = write_game_record(game_file_handle, game_file_name, game_history, GamePly);
}

// The end of a console game: its message, the book's lesson, the closed record.
[[noreturn]] void console_game_end(int status, MOVE last) {
    std::printf("\nFaire <Entrer> pour continuer");
    wait_for_any_key();
    switch (status) {
    case 1:
    case 3: std::printf("\n\n1-0 MAT\n"); break;
    case 2:
    case 4: std::printf("\n\n0-1 MAT\n"); break;
    case 5: std::printf("\n\nPAT\n"); break;
    case 6:
    case 7:
        std::printf(status == 6 ? "\n\nNulle - Répétition (" : "\n\nNulle - 50 coups (");
        write_square(move_from(last));
        write_square(move_to(last));
        std::printf(")\n");
        break;
    case 8: std::printf("\n\nNulle - Matériel insuffisant\n"); break;
    case 9: std::printf("\n\n0-1 Abandon\n"); break;
    case 10: std::printf("\n\n1-0 Abandon\n"); break;
    default: break;
    }
    if (book_update_due()) {
        const int8_t result = (status == 1 || status == 10)  ? 1
                              : (status == 2 || status == 9) ? -1
                                                             : 0;
        learn_from_game(result);
    }
    std::printf("\nFaire <Entree> pour continuer");
    wait_for_any_key();
    if (sound) platform_write_char(KeyBell);
    if (game_file_handle >= 0) platform_close(game_file_handle);
    game_file_handle = -1;
    std::printf("\n_END_\n");
    std::fflush(stdout);
    platform_exit(0);
}

} // namespace

void game_loop() {
    node_count = 0;
    for (;;) {
        int status = StatusGoesOn;
        MOVE move = 0;
        MOVE reply = NO_MOVE;
        bool moveMade = false;

        // Steps 1-2: a move from the ponder search, the engine or the other side.
        if (ponder_result_ready) {
            ponder_result_ready = 0;
            // The operator's credits belong to the engine's move, as in computer_move; the
            // player's own time was charged when the move was typed.
            time_used[SideToMove] += move_credit_play + move_credit_input;
            move = best_move = ponder_best;
            reply = expected_reply = ponder_reply;
            current_score = ponder_score;
        } else if (engine_to_move()) {
            status = computer_move();
            // An infinite search answers only when the interface says stop.
            if (uci_mode && go_infinite && !gui_stop) wait_for_stop();
            move = best_move;
            reply = expected_reply;
            if (move == 0 && root_moves[0] != 0) {
                // Stopped before it had scored any move: the answer is still a legal move, not
                // the mate or stalemate that an empty result would say.
                move = best_move = root_moves[0];
                reply = expected_reply = NO_MOVE;
                status = StatusGoesOn;
            }
        } else if (uci_mode) {
            const MOVE played = uci_wait_for_command();
            if (played != 0) {
                // A ponderhit: the opponent's move is the position the interface already set;
                // the reply the ponder search found is played at once.
                ponder_result_ready = ponder_result_found;
                position_applied = 0;
                pondering = 0;
                continue;
            }
            if (position_applied) {
                refresh_game_position();
                position_applied = 0;
            }
            continue;
        } else {
            status = human_move();
            move = best_move;
            reply = expected_reply;
        }

        // Step 3. A mode change or take-back starts the turn again; no move ends the game.
        if (status == StatusModeChanged || status == StatusTakenBack) continue;
        if (move == 0 || status == 3 || status == 4 || status == 5 || status == 9 || status == 10) {
            if (GamePly > 0 && game_history) game_history[GamePly].status = uint8_t(status);
            if (console_mode) {
                rewrite_game_record();
                console_game_end(status, LastGameMove);
            }
            // No legal move: the interface hears so, and the loop waits for its next command.
            write_bestmove(0, NO_MOVE, status);
            mode_char = 'C';
            continue;
        }

        // Step 4: a position that arrived meanwhile replaces the game; the go is still answered.
        if (uci_mode && position_applied) {
            write_bestmove(move, reply, status);
            refresh_game_position();
            position_applied = 0;
            continue;
        }

        // Steps 5-8: the move on the game board, and the draws it brings.
        if (!play_game_move(move)) {
            if (uci_mode) write_bestmove(move, reply, status);
            continue;
        }
        moveMade = true;
        const int draw = game_draw_status(move);
        if (draw) status = draw;
        refresh_game_position();

        // Step 9. Show the board after the move, with the score of the search that chose it (a
        // move typed by the player carries the score of the engine's last search).
        const int score = current_score;
        if (console_mode && status != 6 && status != 7) show_position(move, score);

        // Step 10. The interface hears the engine's move: in UCI mode the loop makes no other.
        if (uci_mode) write_bestmove(move, reply, status);

        // Step 11: the book learns as soon as the game is clearly decided.
        if ((score > BookLearningScore || score < -BookLearningScore) && book_update_due())
            learn_from_game(score > 0 ? 1 : -1);

        // Step 12: the history record of the move and the running record.
        if (moveMade) {
            game_history[GamePly].status = uint8_t(status);
            append_game_move(console_mode ? 1 : 0);
        }

        // Step 13. Drop captured pieces from the lists between moves.
        if (!pondering) compact_piece_lists();
        last_reported_score = current_score;

        // Step 14. Console only: the pause of autoplay, and the end of a finished game.
        if (uci_mode) continue;
        if (pause_between_moves && status == 0 && mode_char == 'A') {
            std::printf("\nFaites ENTER pour poursuivre ...\n");
            console_key();
        }
        if (status > 0) {
            rewrite_game_record();
            console_game_end(status, move);
        }
    }
}
