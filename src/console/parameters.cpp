#include "console/parameters.h"

#include <cstdio>
#include <cstdlib>

#include "board/legality.h"
#include "board/position.h"
#include "book/book.h"
#include "console/key_input.h"
#include "console/position_file.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "platform/platform.h"
#include "record/game_record.h"
#include "search/hash_table.h"
#include "search/root_search.h"
#include "search/search_node.h"
#include "shell/game_loop.h"
#include "shell/game_moves.h"
#include "shell/think.h"

namespace {

constexpr const char* YesNo = "ONY"; // O (oui) and Y both mean yes
constexpr int DefaultClockSeconds = 60;
constexpr int NameLength = 19; // a twentieth character is refused
constexpr int HashRecordBytes = 24;

bool yes(int answer) {
    return answer == 'O' || answer == 'Y';
}

bool ask_yes(const char* question) {
    std::printf("%s", question);
    return yes(read_answer(YesNo));
}

int ask_number(const char* question, int maxDigits) {
    std::printf("%s", question);
    return read_number(maxDigits);
}

// Operator credits are signed bytes: an answer beyond their range is held at its end rather than
// wrapped round (200 seconds must not become -56).
int8_t credit_seconds(int n) {
    return int8_t(n < -128 ? -128 : n > 127 ? 127 : n);
}

// Step 1 of every pass: the per-game defaults.
void install_pass_defaults() {
    mode_char = uci_mode ? 'C' : 'B';
    standard_start = 1;
    white_to_move_at_start = 1;
    SideToMove = White;
    side_clock[White] = side_clock[Black] = DefaultClockSeconds;
    stop_between_nodes = display_tree = stop_at_level_1 = 0;
    std::snprintf(position_file_name, sizeof position_file_name, "%s", "chessbd.pos");
    std::snprintf(game_file_name, sizeof game_file_name, "%s", DefaultGameFileName);
}

void show_defaults() {
    std::printf("\nWhite to move");
    std::printf("\nSame time for white and black");
    std::printf("\nNo stop between moves");
    std::printf("\nTime credit for manipulator to play computer moves (sec.) : %d",
                move_credit_play);
    std::printf("\nTime credit for manipulator to input moves (sec.) : %d", move_credit_input);
    std::printf("\nFischer time credit (sec.) : %d", increment[Black]);
    std::printf("\nRegister game to \"Chess.gam\"");
    std::printf("\nContempt factor = 0");
    std::printf(ponder_enabled ? "\nThinking on opponent time : Yes"
                               : "\nThinking on opponent time : No");
    std::printf("\nComputer plays white");
    std::printf("\nWhite and black have castling rights");
    std::printf("\nStart position in chessbd.pos (default)");
    std::printf("\nPress <Enter><Enter> to continue");
}

// Side to move, castling rights and the file of a position other than the standard one.
void ask_set_up_position() {
    standard_start = 0;
    use_book = 0;
    std::printf("\nSide to play - W=white=blanc B=black=noir : ");
    white_to_move_at_start = read_answer("WB") == 'W';
    SetupCastlingRights[White] = SetupCastlingRights[Black] = 0;
    if (ask_yes("\n\nWhite can castle short (y/n) : "))
        SetupCastlingRights[White] |= CastleKingSide;
    if (ask_yes("\nWhite can castle long (y/n) : ")) SetupCastlingRights[White] |= CastleQueenSide;
    if (ask_yes("\nBlack can castle short (y/n) : ")) SetupCastlingRights[Black] |= CastleKingSide;
    if (ask_yes("\nBlack can castle long (y/n) : ")) SetupCastlingRights[Black] |= CastleQueenSide;
    std::printf("\nWhat is the filename to read ");
    std::printf("\n(Give \"chessbd\" without quotes");
    std::printf("\n for standard start position)  : ");
    char name[NameLength + 1];
    read_text(name, NameLength);
    std::snprintf(position_file_name, sizeof position_file_name, "%s.pos", name);
}

// The answers that change the defaults one by one (the parameters were refused).
void ask_parameters(bool& enterPosition) {
    side_clock[White] = ask_number("\nTime for white (minutes) : ", 4) * 60;
    side_clock[Black] = ask_number("\nTime for black (minutes) : ", 4) * 60;
    move_credit_play = credit_seconds(ask_number("\nTime credit to play moves (sec.) : ", 3));
    move_credit_input = credit_seconds(ask_number("\nTime credit to input moves (sec.) : ", 3));
    increment[White] = increment[Black] = int16_t(ask_number("\nFischer time credit (sec.) : ", 3));
    if (ponder_available) {
        std::printf("\nThinking on opponent time (y/N) : ");
        ponder_enabled = yes(read_answer("YON"));
    }
    display_tree = ask_yes("\nDisplay tree (y/N) : ");
    if (ask_yes("\nStop between nodes (y/N) : "))
        stop_between_nodes = display_tree = 1;
    else
        stop_between_nodes = 0;
    enterPosition = ask_yes("\nDo you want to enter a position (y/N) : ");
    if (ask_yes("\nStart from standard position (Y/n) : "))
        standard_start = 1;
    else
        ask_set_up_position();
}

// One pass of the questionnaire from its defaults; true when the user confirms it.
bool questionnaire_pass(bool& enterPosition) {
    show_defaults();
    // Any key, an extended one whole: the second code of End (79, 'O') would answer the next
    // question with "oui".
    if (console_key() == 0) console_key();
    if (ask_yes("\nDo you accept following parameters (Y/n) : ")) {
        const int minutes = ask_number("\nTime credit for each player (minutes) : ", 3);
        side_clock[White] = side_clock[Black] = minutes * 60;
    } else {
        ask_parameters(enterPosition);
    }
    if (ask_yes("\nAutoplay (y/n) : ")) {
        mode_char = 'A';
        move_credit_play = 1;
        move_credit_input = 0;
    } else {
        std::printf("\nComputer is w(White), b(Black) or c(Control) : ");
        const int side = read_answer("WBC");
        mode_char = side == 'W' ? 'B' : side == 'B' ? 'N' : 'C';
    }
    stop_at_level_1 = ask_yes("\nStop when back to level 1 (y/N) : ");
    std::printf("\nPause between played moves (y/N) : ");
    pause_between_moves = read_answer(YesNo) != 'N';
    const uint64_t megabytes = uint64_t(HashEntries) * HashRecordBytes >> 20;
    std::printf("\n\nHash table size : %d Mbytes", int(megabytes));
    const bool accepted = ask_yes("\nAre you OK with parameters (Y/n) : ");
    std::printf("\n\n");
    return accepted;
}

// The console game's start position: typed in, then read from its file and set up. False when
// the questionnaire must start again.
bool set_up_console_game(bool enterPosition) {
    if (enterPosition) {
        std::printf("\nEmpty square : EE(Empty) or VV(vide)");
        std::printf("\nPawn=P - Knight=N - Rook=R - Queen=Q - King=K");
        std::printf("\nWhite=W - Black=B");
        std::printf("\nExemple : black pawn=BP");
        enter_position();
    }
    if (!read_position_file(position_file_name)) {
        if (sound) platform_write_char(KeyBell);
        std::printf("\nBoard problem");
        return false;
    }
    const uint8_t side = white_to_move_at_start ? White : Black;
    SideToMove = side;
    const char* problem = console_start_position_problem();
    if (problem == nullptr && !setupPosition(side, 0))
        problem = "more than 16 pieces of one colour";
    // The side that has just moved cannot be in check: the engine would take a king.
    if (problem == nullptr && kingAttacked(SearchNodes[0], 1 - side))
        problem = "the side not to move is in check";
    if (problem != nullptr) {
        if (sound) platform_write_char(KeyBell);
        std::printf("\nPosition refused : %s", problem);
        return false;
    }

    prepare_new_game_evaluation();
    refresh_game_position();
    book_move_played = 0;
    last_book_ply = 0;
    book_updated = 0;
    root_score = last_reported_score = current_score = 0;
    return true;
}

} // namespace

const char* console_start_position_problem() {
    int kings[2] = {}, pieces[2] = {};
    int kingCell[2] = {};
    for (int cell = 0; cell < MailboxSize; ++cell) {
        const int v = SetupBoard[cell];
        if (v == 0) continue;
        const int colour = v > 0 ? White : Black;
        ++pieces[colour];
        if (v == LetterKing || v == -LetterKing) {
            ++kings[colour];
            kingCell[colour] = cell;
        }
        if ((v == LetterPawn || v == -LetterPawn) && (cell % 10 == 1 || cell % 10 == 8))
            return "a pawn stands on the first or the eighth rank";
    }
    if (kings[White] != 1 || kings[Black] != 1) return "each side needs exactly one king";
    if (pieces[White] > 16 || pieces[Black] > 16) return "more than 16 pieces of one colour";
    if (!setup_board_plausible()) return "a square holds no piece the engine knows";
    const int files = std::abs(kingCell[White] / 10 - kingCell[Black] / 10);
    const int ranks = std::abs(kingCell[White] % 10 - kingCell[Black] % 10);
    if (files < 2 && ranks < 2) return "the kings stand side by side";
    return nullptr;
}

bool console_start_position_valid() {
    return console_start_position_problem() == nullptr;
}

void parameters_dialogue() {
    for (;;) {
        bool enterPosition = false;
        for (;;) {
            install_pass_defaults();
            if (uci_mode || questionnaire_pass(enterPosition)) break;
            enterPosition = false;
        }
        std::printf("\n\n\n");
        std::fflush(stdout);
        if (console_mode) name_game_players(mode_char);
        create_game_record_file();
        if (uci_mode || set_up_console_game(enterPosition)) return;
    }
}
