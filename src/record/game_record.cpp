#include "record/game_record.h"

#include <cstdio>
#include <string>

#include "board/notation.h"
#include "board/position.h"
#include "platform/platform.h"
#include "shell/settings.h"
#include "uci/position_command.h"
#include "uci/uci_output.h"

char game_file_name[GameFileNameSize] = "Chess.pgn"; // DefaultGameFileName
int game_file_handle = -1;

namespace {

constexpr int PliesPerLine = 12; // six full moves per line of move text

// The failure to open or write the record was reported; cleared when an open succeeds, so that
// one failure gives one message and not one per move.
bool failure_reported = false;

void report_failure(const char* name) {
    if (failure_reported) return;
    failure_reported = true;
    char message[GameFileNameSize + 64];
    std::snprintf(message, sizeof message, "\nThe game record %s cannot be written", name);
    send_info_string(message);
}

int open_record(const char* name) {
    const int handle = platform_create_file(name);
    if (handle < 0)
        report_failure(name);
    else
        failure_reported = false;
    return handle;
}

// Writes the whole text to the record file name; an invalid handle skips the write.
void write_text(int handle, const std::string& text, const char* name) {
    if (handle < 0) return;
    const int size = int(text.size());
    if (platform_write(handle, text.data(), size) != size) report_failure(name);
}

bool has_move(const GameHistoryEntry& e) {
    return mailbox_on_board(e.fromCell) && mailbox_on_board(e.toCell);
}

char file_letter(int cell) {
    return char('a' + cell / 10 - 1);
}
char rank_digit(int cell) {
    return char('1' + cell % 10 - 1);
}

// The start position of the game in English letters, black negated.
void load_start_board(int8_t* board) {
    for (int i = 0; i < MailboxSize; ++i) board[i] = internalToEnglish(GameStartBoard[i]);
}

// Plays the move of a record on the record board.
void play_record(int8_t* board, const GameHistoryEntry& e) {
    if (has_move(e)) playMailboxMove(board, e.fromCell, e.toCell, e.specialKind, e.promotion);
}

// The record is a pawn's double step onto cell.
bool double_step_onto(const GameHistoryEntry& e, int cell) {
    const int distance = e.toCell - e.fromCell;
    return has_move(e) && e.toCell == cell && (distance == 2 || distance == -2);
}

// Another pawn of the mover's colour on the mover's file can also take a pawn on the target file
// (en passant included), so that the short form "ed" would not name one move. previous is the
// record of the move before, null at the first ply (any en passant is then thought possible).
bool pawn_capture_ambiguous(const int8_t* board, int from, int to,
                            const GameHistoryEntry* previous) {
    const int8_t pawn = board[from];
    const int forward = pawn > 0 ? 1 : -1;
    const int sideways = (to / 10 - from / 10) * 10; // one file left or right
    for (int cell = from / 10 * 10 + 1; cell <= from / 10 * 10 + 8; ++cell) {
        if (cell == from || board[cell] != pawn) continue;
        const int target = cell + sideways + forward;
        if (!mailbox_on_board(target)) continue;
        if (board[target] == -pawn) return true;
        const int beside = cell + sideways;
        const bool passedRank = (forward > 0 ? cell % 10 == 5 : cell % 10 == 4);
        if (board[target] == 0 && board[beside] == -pawn && passedRank &&
            (previous == nullptr || double_step_onto(*previous, beside)))
            return true;
    }
    return false;
}

// The disambiguation of a piece move: the file letter when another piece of the kind that reaches
// the destination stands on the mover's rank, the rank digit when one stands on the mover's file
// or when the others share neither.
void write_disambiguation(const int8_t* board, int from, int to, char* out, int& n) {
    int reaching[MaxPiecesReaching];
    const int count = piecesReaching(board, to, board[from], reaching);
    bool fileLetter = false, rankDigit = false, other = false;
    for (int i = 0; i < count; ++i) {
        const int cell = reaching[i];
        if (cell == from) continue;
        other = true;
        if (cell / 10 == from / 10) rankDigit = true;
        if (cell % 10 == from % 10) fileLetter = true;
    }
    if (other && !fileLetter && !rankDigit) rankDigit = true;
    if (fileLetter) out[n++] = file_letter(from);
    if (rankDigit) out[n++] = rank_digit(from);
}

// Notation of the move of history[ply] on the record board taken before it, into out (at most 7
// characters and a zero). A record without a move gives an empty text.
void move_text(const int8_t* board, const GameHistoryEntry* history, int ply, char* out) {
    const GameHistoryEntry& e = history[ply];
    int n = 0;
    if (has_move(e)) {
        const int from = e.fromCell, to = e.toCell;
        const int mover = board[from] < 0 ? -board[from] : board[from];
        if (e.specialKind == KindCastling) {
            const char* text = to / 10 == 3 ? "o-o-o" : "o-o";
            while (*text) out[n++] = *text++;
        } else {
            if (mover != 'P' && mover != 0) {
                out[n++] = char(mover);
                if (mover != 'K') write_disambiguation(board, from, to, out, n);
            }
            const bool capture = e.captured != 0;
            const GameHistoryEntry* previous = ply > 1 ? &history[ply - 1] : nullptr;
            if (capture && mover == 'P') {
                out[n++] = file_letter(from);
                if (e.captured == LetterPawn &&
                    !pawn_capture_ambiguous(board, from, to, previous)) {
                    out[n++] = file_letter(to);
                } else {
                    out[n++] = 'x';
                    out[n++] = file_letter(to);
                    out[n++] = rank_digit(to);
                }
            } else {
                if (capture) out[n++] = 'x';
                out[n++] = file_letter(to);
                out[n++] = rank_digit(to);
            }
            // Only a pawn promotes; the text then stays within its seven characters.
            if (e.specialKind == KindPromotion && mover == 'P') {
                out[n++] = '=';
                out[n++] = char(internalToEnglish(int8_t(e.promotion)));
            }
        }
    }
    out[n] = 0;
}

const char* result_text(int status) {
    switch (status) {
    // The move gave mate (1, 2), or it did and the mated side then found no move (3, 4).
    case 1:
    case 3: return "# 1-0";
    case 2:
    case 4: return "# 0-1";
    case 5:
    case 6:
    case 7:
    case 8: return " 1/2-1/2";
    case 9: return " 0-1 (resigns)";
    case 10: return " 1-0 (resigns)";
    default: return "";
    }
}

void append_header(std::string& out, const char* plyCount) {
    out += "[Event \"\"]\n[Site \"\"]\n[Date \"\"]\n[Round \"\"]\n[White \"\"]\n[Black \"\"]\n"
           "[Result \"\"]\n[ECO \"\"]\n[PlyCount \"";
    out += plyCount;
    out += "\"]\n";
}

// One ply of the move text: a new line every six full moves, the move number before White's
// moves (and before a first move of Black's, as "n..."), the move, the result and a space.
// Numbers count from the move number of the start position.
void append_ply(std::string& out, int ply, const char* text, int status) {
    if (ply % PliesPerLine == 1) out += '\n';
    const int blackFirst = white_to_move_at_start ? 0 : 1;
    const bool whiteMove = (ply % 2 == 1) != (blackFirst == 1);
    const int number = start_move_number + (ply - 1 + blackFirst) / 2;
    if (whiteMove || ply == 1) {
        out += std::to_string(number);
        out += whiteMove ? "." : "...";
    }
    out += text;
    out += result_text(status);
    out += ' ';
}

} // namespace

void create_game_record_file() {
    if (game_file_handle >= 0) platform_close(game_file_handle);
    game_file_handle = open_record(game_file_name);
}

int write_game_record(int oldHandle, const char* fileName, const GameHistoryEntry* history,
                      int plyCount) {
    if (oldHandle >= 0) platform_close(oldHandle);
    const int handle = open_record(fileName);
    if (handle < 0) return handle;

    std::string out;
    append_header(out, std::to_string(plyCount < 0 ? 0 : plyCount).c_str());
    int8_t board[MailboxSize];
    load_start_board(board);
    for (int ply = 1; ply <= plyCount; ++ply) {
        char text[sizeof(GameHistoryEntry::text)];
        move_text(board, history, ply, text);
        append_ply(out, ply, text, history[ply].status);
        play_record(board, history[ply]);
    }
    write_text(handle, out, fileName);
    return handle;
}

void append_game_move(uint8_t write) {
    const int ply = GamePly;
    if (ply < 1 || game_history == nullptr || ply > game_history_capacity) return;
    int8_t board[MailboxSize];
    load_start_board(board);
    for (int p = 1; p < ply; ++p) play_record(board, game_history[p]);
    GameHistoryEntry& entry = game_history[ply];
    move_text(board, game_history, ply, entry.text);
    if (write != 1) return;

    std::string out;
    if (ply == 1) append_header(out, "");
    append_ply(out, ply, entry.text, entry.status);
    write_text(game_file_handle, out, game_file_name);
}

void reset_game_record() {
    if (game_file_handle >= 0) platform_close(game_file_handle);
    game_file_handle = -1;
    std::snprintf(game_file_name, sizeof game_file_name, "%s", DefaultGameFileName);
    failure_reported = false;
}
