#include "uci/position_command.h"

#include "board/keys.h"
#include "board/legality.h"
#include "board/make_move.h"
#include "board/move_table.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "book/book.h"
#include "core/game_history.h"
#include "core/output.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "eval/prepare.h"
#include "record/game_record.h"
#include "search/hash_table.h"
#include "search/root_search.h"
#include "shell/game_moves.h"
#include "uci/dispatcher.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MaxFenFields = 6;
constexpr int BookPlyLimit = 50; // a game this long no longer uses the book
constexpr int NewGameTimeFactor = 170;

bool sameWordIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return *a == *b;
}

bool allDigits(const char* s) {
    if (*s == 0 || std::strlen(s) > 9) return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
}

bool placementValid(const char* s) {
    int ranks = 0, squares = 0;
    for (; *s; ++s) {
        if (*s == '/') {
            if (squares != 8) return false;
            ++ranks;
            squares = 0;
        } else if (*s >= '1' && *s <= '8') {
            squares += *s - '0';
        } else if (std::strchr("pnbrqkPNBRQK", *s) != nullptr) {
            ++squares;
        } else {
            return false;
        }
        if (squares > 8) return false;
    }
    return ranks == 7 && squares == 8;
}

bool castlingValid(const char* s) {
    if (std::strcmp(s, "-") == 0) return true;
    if (*s == 0 || std::strlen(s) > 4) return false;
    for (const char* p = s; *p; ++p)
        if (std::strchr("KQkq", *p) == nullptr || std::strchr(p + 1, *p) != nullptr) return false;
    return true;
}

bool enPassantValid(const char* s) {
    if (std::strcmp(s, "-") == 0) return true;
    return s[0] >= 'a' && s[0] <= 'h' && (s[1] == '3' || s[1] == '6') && s[2] == 0;
}

// What the dispatcher's FEN words change before the FEN is checked, as the game position on the
// board has them; restored when a FEN is refused before the set-up.
struct GameStart {
    uint8_t whiteToMoveAtStart = 1;
    uint8_t standardStart = 1;
};
GameStart appliedStart;

void restoreGameStart() {
    SideToMove = SearchNodes[0].side;
    white_to_move_at_start = appliedStart.whiteToMoveAtStart;
    standard_start = appliedStart.standardStart;
}

// Writes "info Position illegale" and leaves the engine waiting for a new position.
void reportIllegalPosition() {
    position_received = 0;
    position_refused = 1;
    send_info("\nPosition illegale");
    engine_busy = 0;
}

// Collects the FEN fields of the line: the words after "fen" up to "moves" or the end.
int fenFields(const char** fields) {
    int first = -1;
    for (int i = 1; i < token_count && first < 0; ++i)
        if (sameWordIgnoringCase(token(i), "fen")) first = i + 1;
    int count = 0;
    for (int i = first; first > 0 && i < token_count; ++i) {
        const char* w = token(i);
        if (*w == 0 || std::strcmp(w, "moves") == 0) break;
        if (count == MaxFenFields) return MaxFenFields + 1;
        fields[count++] = w;
    }
    return count;
}

// Checks the FEN of the line and completes the set-up fields it leaves out. False when the text
// cannot be a position.
bool prepareFenSetup() {
    const char* fields[MaxFenFields];
    const int count = fenFields(fields);
    if (!fen_fields_valid(fields, count) || !setup_board_plausible()) return false;
    if (count < 3) SetupCastlingRights[White] = SetupCastlingRights[Black] = 0;
    if (count < 4) SetupEnPassant = 0;
    start_half_move_clock = count >= 5 ? std::atoi(fields[4]) : 0;
    start_move_number = count >= 6 ? std::atoi(fields[5]) : 1;
    if (start_move_number < 1) start_move_number = 1;
    return true;
}

// Makes the evaluation's view of the game position current. A game of two plies or fewer is a
// new game: it starts again from the middle-game piece-square set, and the move lists are
// rebuilt so that every record carries the new square values.
void prepareEvaluationOfGamePosition() {
    if (GamePly <= 2) prepare_new_game_evaluation();
}

} // namespace

bool fen_fields_valid(const char* const* fields, int count) {
    if (count < 2 || count > MaxFenFields) return false;
    if (!placementValid(fields[0])) return false;
    if (std::strcmp(fields[1], "w") != 0 && std::strcmp(fields[1], "b") != 0) return false;
    if (count >= 3 && !castlingValid(fields[2])) return false;
    if (count >= 4 && !enPassantValid(fields[3])) return false;
    for (int i = 4; i < count; ++i)
        if (!allDigits(fields[i])) return false;
    return true;
}

MOVE find_uci_move(const char* text) {
    char w[6];
    const size_t length = std::strlen(text);
    if (length != 4 && length != 5) return 0;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        w[i] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    w[length] = 0;
    for (int i = 0; i < 4; ++i) {
        const char low = i % 2 ? '1' : 'a';
        if (w[i] < low || w[i] > low + 7) return 0;
    }
    const int from = make_square(w[0] - 'a', w[1] - '1');
    const int to = make_square(w[2] - 'a', w[3] - '1');
    int promotionType = 0;
    if (length == 5) {
        const char* letters = "nbrq"; // promotion types 2..5
        const char* p = std::strchr(letters, w[4]);
        if (p == nullptr) return 0;
        promotionType = int(p - letters) + TypeKnight;
    }

    MOVE legal[RootMoveCapacity + 1];
    const int count = collectLegalMoves(legal, RootMoveCapacity);
    for (int i = 0; i < count; ++i) {
        const MOVE m = legal[i];
        if (move_from(m) != from || move_to(m) != to) continue;
        const bool promotion = move_special(m) == MovePromotion;
        if (promotion ? move_promotion_type(m) != promotionType : promotionType != 0) continue;
        // The move as the game stores it: without the search's ordering class.
        return m & ~MoveClassMask;
    }
    return 0;
}

void apply_position() {
    if (!startpos_pending && !fen_pending) {
        position_applied = 1;
        return;
    }
    if (fen_pending) {
        if (!prepareFenSetup()) {
            restoreGameStart();
            reportIllegalPosition();
            return;
        }
    } else {
        // The standard start always has white to move, whatever an earlier FEN said.
        white_to_move_at_start = 1;
        start_half_move_clock = 0;
        start_move_number = 1;
    }

    const int savedPly = GamePly;
    const int16_t keptScore = last_reported_score;
    const int keptTimeFactor = time_factor;
    GamePly = 0;
    saved_use_book = use_book;
    const uint8_t side = white_to_move_at_start ? White : Black;
    SideToMove = side;
    const bool valid = setupPosition(side, SetupEnPassant);
    appliedStart = {white_to_move_at_start, standard_start};
    last_reported_score = keptScore;
    time_factor = keptTimeFactor;
    SideToMove = side;
    if (!valid) {
        reportIllegalPosition();
        return;
    }

    moves_seen = 0;
    for (int i = 2; i < token_count; ++i) {
        const char* w = token(i);
        if (*w == 0) break;
        if (std::strcmp(w, "startpos") == 0 || std::strcmp(w, "fen") == 0) continue;
        if (std::strcmp(w, "moves") == 0) {
            moves_seen = 1;
            continue;
        }
        if (!moves_seen) continue;
        const MOVE m = find_uci_move(w);
        if (m == 0) {
            std::printf("info string Illegal move %s\n", w);
            std::fflush(stdout);
            break;
        }
        if (!play_game_move(m)) break;
        append_game_move(0);
    }

    if (GamePly < 3) last_book_ply = book_move_played = 0;
    // The engine plays the side to move; its moves were generated by the set-up or the last move.
    mode_char = SideToMove == White ? 'B' : 'N';
    if (kingAttacked(SearchNodes[0], 1 - SideToMove)) {
        reportIllegalPosition();
        return;
    }

    if (GamePly > savedPly) {
        use_book = GamePly < BookPlyLimit ? saved_use_book : 0;
    } else {
        time_factor = NewGameTimeFactor;
        book_updated = 0;
        if (GamePly >= BookPlyLimit) use_book = 0;
    }
    prepareEvaluationOfGamePosition();
    refresh_game_position();
    if (last_book_ply > GamePly) last_book_ply = GamePly;
    position_applied = 1;
    position_received = 1;
    position_refused = 0;
}
