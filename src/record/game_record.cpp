#include "record/game_record.h"

#include <cstdio>
#include <string>

#include "board/notation.h"
#include "board/position.h"
#include "core/game_history.h"
#include "core/output.h"
#include "core/settings.h"
#include "platform/platform.h"

char game_file_name[GameFileNameSize] = "Chess.pgn"; // DefaultGameFileName
int game_file_handle = -1;
char game_white_player[PlayerNameSize] = "?";
char game_black_player[PlayerNameSize] = "?";
char game_date[11] = "????.??.??";

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

// Another pawn of the mover's colour on the mover's file can also take on the target file (en
// passant included), so that the short form "ed" would not name one move. Any enemy piece counts,
// not only a pawn: the book loader reads "ed" as the first capture up the file, whatever it takes.
// previous is the record of the move before, null at the first ply (any en passant is then
// thought possible).
bool pawn_capture_ambiguous(const int8_t* board, int from, int to,
                            const GameHistoryEntry* previous) {
    const int8_t pawn = board[from];
    const int forward = pawn > 0 ? 1 : -1;
    const int sideways = (to / 10 - from / 10) * 10; // one file left or right
    for (int cell = from / 10 * 10 + 1; cell <= from / 10 * 10 + 8; ++cell) {
        if (cell == from || board[cell] != pawn) continue;
        const int target = cell + sideways + forward;
        if (!mailbox_on_board(target)) continue;
        if (board[target] * forward < 0) return true; // an enemy piece to take
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

// The result tag of a game whose last ply has this status: "*" while the game goes on.
const char* result_tag(int status) {
    switch (status) {
    case 1:
    case 3:
    case 10: return "1-0";
    case 2:
    case 4:
    case 9: return "0-1";
    case 5:
    case 6:
    case 7:
    case 8: return "1/2-1/2";
    default: return "*";
    }
}

// The castling rights the game started with: those granted whose king and rook stood at home.
std::string start_castling(const int8_t* board) {
    struct Right {
        int colour, king, rook;
        uint8_t bit;
        char letter;
    };
    const Right rights[] = {
        {White, 51, 81, CastleKingSide, 'K'},
        {White, 51, 11, CastleQueenSide, 'Q'},
        {Black, 58, 88, CastleKingSide, 'k'},
        {Black, 58, 18, CastleQueenSide, 'q'},
    };
    std::string text;
    for (const Right& r : rights) {
        const int sign = r.colour == White ? 1 : -1;
        if ((SetupCastlingRights[r.colour] & r.bit) && board[r.king] == sign * 'K' &&
            board[r.rook] == sign * 'R')
            text += r.letter;
    }
    return text.empty() ? "-" : text;
}

// The FEN text of the game's start position (English letters on board).
std::string start_fen(const int8_t* board) {
    std::string fen;
    for (int rank = 8; rank >= 1; --rank) {
        int empty = 0;
        for (int file = 1; file <= 8; ++file) {
            const int8_t v = board[10 * file + rank];
            if (v == 0) {
                ++empty;
                continue;
            }
            if (empty > 0) fen += char('0' + empty);
            empty = 0;
            fen += v > 0 ? char(v) : char(-v - 'A' + 'a');
        }
        if (empty > 0) fen += char('0' + empty);
        if (rank > 1) fen += '/';
    }
    fen += white_to_move_at_start ? " w " : " b ";
    fen += start_castling(board);
    // An en-passant target counts only when the pawn that has just stepped over it is there.
    std::string passant = "-";
    if (SetupEnPassant != 0) {
        const int file = SetupEnPassant / 8, rank = SetupEnPassant % 8 + 1;
        const int sign = white_to_move_at_start ? -1 : 1;
        const int pawnRank = white_to_move_at_start ? 5 : 4;
        if (file >= 1 && file <= 8 && rank == (white_to_move_at_start ? 6 : 3) &&
            board[10 * file + pawnRank] == sign * 'P')
            passant = std::string(1, char('a' + file - 1)) + char('0' + rank);
    }
    fen += " " + passant + " 0 " + std::to_string(start_move_number);
    return fen;
}

const char* const StandardStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

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

void append_tag(std::string& out, const char* name, const std::string& value) {
    out += '[';
    out += name;
    out += " \"";
    out += value;
    out += "\"]\n";
}

// The header: the seven tags every reader expects, the engine's ECO and PlyCount, and where the
// game did not start from the standard position the tags that let a reader set it up.
void append_header(std::string& out, const char* plyCount, const char* result) {
    append_tag(out, "Event", "Casual game");
    append_tag(out, "Site", "?");
    append_tag(out, "Date", game_date);
    append_tag(out, "Round", "");
    append_tag(out, "White", game_white_player);
    append_tag(out, "Black", game_black_player);
    append_tag(out, "Result", result);
    append_tag(out, "ECO", "");
    append_tag(out, "PlyCount", plyCount);
    int8_t board[MailboxSize];
    load_start_board(board);
    const std::string fen = start_fen(board);
    if (fen != StandardStartFen) {
        append_tag(out, "SetUp", "1");
        append_tag(out, "FEN", fen);
    }
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

void name_game_players(uint8_t mode) {
    const bool engineWhite = mode == 'A' || mode == 'B';
    const bool engineBlack = mode == 'A' || mode == 'N';
    std::snprintf(game_white_player, sizeof game_white_player, "%s",
                  engineWhite ? EngineName : HumanName);
    std::snprintf(game_black_player, sizeof game_black_player, "%s",
                  engineBlack ? EngineName : HumanName);
}

void create_game_record_file() {
    if (game_file_handle >= 0) platform_close(game_file_handle);
    int year = 0, month = 0, day = 0;
    platform_local_date(&year, &month, &day);
    char date[32];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d", year, month, day);
    std::snprintf(game_date, sizeof game_date, "%.10s", date);
    game_file_handle = open_record(game_file_name);
}

namespace {

int write_record(int oldHandle, const char* fileName, const GameHistoryEntry* history, int plyCount,
                 bool finished) {
    if (oldHandle >= 0) platform_close(oldHandle);
    const int handle = open_record(fileName);
    if (handle < 0) return handle;

    std::string out;
    const int lastStatus = plyCount >= 1 ? history[plyCount].status : 0;
    if (finished)
        append_header(out, std::to_string(plyCount < 0 ? 0 : plyCount).c_str(),
                      result_tag(lastStatus));
    else
        append_header(out, "", "*");
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

} // namespace

int write_game_record(int oldHandle, const char* fileName, const GameHistoryEntry* history,
                      int plyCount) {
    return write_record(oldHandle, fileName, history, plyCount, true);
}

int write_running_game_record(int oldHandle, const char* fileName, const GameHistoryEntry* history,
                              int plyCount) {
    return write_record(oldHandle, fileName, history, plyCount, false);
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
    if (ply == 1) append_header(out, "", "*");
    append_ply(out, ply, entry.text, entry.status);
    write_text(game_file_handle, out, game_file_name);
}

void reset_game_record() {
    if (game_file_handle >= 0) platform_close(game_file_handle);
    game_file_handle = -1;
    std::snprintf(game_file_name, sizeof game_file_name, "%s", DefaultGameFileName);
    std::snprintf(game_white_player, sizeof game_white_player, "?");
    std::snprintf(game_black_player, sizeof game_black_player, "?");
    std::snprintf(game_date, sizeof game_date, "????.??.??");
    failure_reported = false;
}
