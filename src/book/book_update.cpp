// Teaching the book: the weights of the book moves the game followed move toward its result, and
// the book file is replaced by the edited text.
#include "book/book.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/notation.h"
#include "board/position.h"
#include "core/game_history.h"
#include "core/output.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace {

// The move tokens of the book game being scanned, by ply (at most 7 characters each).
char book_game_moves[BookGameEntries][8];
// The game played, as English-letter boards: game_boards[p] is the position before ply p + 1.
// Filled for plies 0 .. game_board_plies by each update.
int8_t game_boards[BookGameEntries][MailboxSize];
int game_board_plies = 0;

bool is_separator(char c) {
    return c == ' ' || c == '\r' || c == '\n';
}

// Replays the game's moves from the standard position, up to the last ply the update can reach.
void build_game_boards() {
    englishStartMailbox(game_boards[0]);
    game_board_plies = 0;
    const int last = std::min({int(GamePly), int(last_book_ply), BookGamePlies});
    for (int ply = 1; ply <= last && game_history != nullptr && ply <= game_history_capacity;
         ++ply) {
        const GameHistoryEntry& e = game_history[ply];
        if (!mailbox_on_board(e.fromCell) || !mailbox_on_board(e.toCell)) break;
        std::memcpy(game_boards[ply], game_boards[ply - 1], MailboxSize);
        playMailboxMove(game_boards[ply], e.fromCell, e.toCell, e.specialKind, e.promotion);
        game_board_plies = ply;
    }
}

// Whether the book token of the ply names the move the game played at that ply: the token is
// resolved on the game position before the move and compared by its squares and promotion, so
// that "Nbd7" of the book and "N8d7" of the game's own notation agree.
bool game_played(int ply, const char* token) {
    if (ply < 1 || ply > game_board_plies) return false;
    BookMove move{};
    if (!resolve_book_token(game_boards[ply - 1], token, ply % 2 ? 1 : -1, move)) return false;
    const GameHistoryEntry& e = game_history[ply];
    const int promotion = e.specialKind == KindPromotion ? e.promotion : 0;
    return move.from == e.fromCell && move.to == e.toCell && move.promotion == promotion;
}

// The weight the game's result teaches: 10 % of the way toward 100 for the winner's move, 0 for
// the loser's, 50 after a draw.
int learnt_weight(int weight, int ply, int8_t result) {
    const int target = ply % 2 ? (result + 1) * 100 / 2 : (100 - 100 * result) / 2;
    const int learnt = (9 * weight + target) / 10;
    return learnt < 0 ? 0 : learnt > 99 ? 99 : learnt;
}

// Walks book_text game by game, following each book game while it agrees with the game played,
// and rewrites the weights of the agreeing moves up to last_book_ply.
void learn_weights(int8_t result) {
    bool inTag = false, inComment = false, inParen = false, inToken = false, matching = false;
    int ply = 0;
    int parenStart = 0;
    char captured[3] = {};
    int capturedCount = 0;
    std::memset(book_game_moves, 0, sizeof book_game_moves);
    build_game_boards();

    for (int i = 0; i < book_text_length; ++i) {
        const char c = book_text[i];
        if (c == '@') continue;
        // Tags and games begin and end where the loader saw them.
        if (c == '[') {
            inTag = true;
            continue;
        }
        if (c == ']') {
            inTag = inParen = inToken = matching = false;
            ply = 0;
            std::memset(book_game_moves, 0, sizeof book_game_moves);
            continue;
        }
        if (inTag) continue;
        if (c == '{' || c == '}') {
            inComment = c == '{';
            continue;
        }
        if (inComment) continue;
        if (ply > last_book_ply || ply > BookGamePlies) continue;

        if (c == '(') {
            inParen = true;
            parenStart = i;
            capturedCount = 0;
            continue;
        }
        if (c == ')') {
            // Only a weight of two characters inside its parentheses is rewritten: the
            // parentheses themselves are never overwritten.
            if (inParen && matching && capturedCount == 2 && i - parenStart > 2) {
                captured[2] = 0;
                const int weight = learnt_weight(std::atoi(captured), ply, result);
                book_text[i - 2] = char('0' + weight / 10);
                book_text[i - 1] = char('0' + weight % 10);
            }
            inParen = false;
            capturedCount = 0;
            continue;
        }
        if (inParen) {
            if (matching && capturedCount < 2) captured[capturedCount++] = c;
            continue;
        }
        if (is_separator(c)) {
            if (inToken) {
                inToken = false;
                if (!game_played(ply, book_game_moves[ply]))
                    matching = false;
                else if (ply == 1)
                    matching = true;
            }
            continue;
        }
        if (c == 'x' || c == '+') continue;
        if (!inToken) {
            inToken = true;
            ++ply;
        }
        if (ply <= BookGamePlies) {
            char* slot = book_game_moves[ply];
            const size_t length = std::strlen(slot);
            if (length <= 6) slot[length] = c;
        }
    }
}

// Replaces the book file with book_text: written beside it, forced to disk, then renamed over it,
// so that a crash, a full disk or a kill leaves the old book or the new one, never a part.
uint8_t replace_book_file() {
    const std::string temporary = std::string(book_file_name) + ".new";
    const int handle = platform_create_file(temporary.c_str());
    if (handle < 0) return 1;
    int written = 0;
    while (written < book_text_length) {
        const int n = platform_write(handle, book_text + written, book_text_length - written);
        if (n <= 0) break;
        written += n;
    }
    const bool flushed = written == book_text_length && platform_flush_file(handle);
    platform_close(handle);
    if (!flushed || !platform_replace_file(temporary.c_str(), book_file_name)) {
        platform_remove_file(temporary.c_str());
        return 1;
    }
    return 0;
}

} // namespace

uint8_t update_book(int8_t result) {
    if (book_truncated) return 1;
    // The file is read again whole (the moves parsed again too, so that the table stays the
    // file's), and only a book read whole is written back.
    load_book(1);
    if (book_truncated || book_text == nullptr || book_text_length == 0) return 1;
    learn_weights(result);
    return replace_book_file();
}

bool book_update_due() {
    return !use_book && book_move_played && !book_updated && book_update_enabled &&
           !book_update_blocked;
}

void learn_from_game(int8_t result) {
    send_info("\nMise à jour bibliothèque d'ouverture en cours ...\n");
    book_updated = 1;
    if (update_book(result) != 0)
        send_info("\nEchec mise à jour\n");
    else
        send_info("\nMise à jour terminée\n");
}
