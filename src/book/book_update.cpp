// Teaching the book: the weights of the book moves the game followed move toward its result, and
// the book file is replaced by the edited text.
#include "book/book.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "board/position.h"
#include "platform/platform.h"
#include "shell/game_history.h"
#include "shell/settings.h"
#include "uci/dispatcher.h"
#include "uci/uci_output.h"

namespace {

// The move tokens of the book game being scanned, by ply (at most 7 characters each).
char book_game_moves[BookGameEntries][8];

bool is_separator(char c) {
    return c == ' ' || c == '\r' || c == '\n';
}

// Whether the book token of the ply is the move the game played at that ply.
bool game_played(int ply, const char* token) {
    if (game_history == nullptr || ply > GamePly || ply > game_history_capacity) return false;
    return same_book_move(token, game_history[ply].text);
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

bool same_book_move(const char* a, const char* b) {
    char x[8], y[8];
    normalise_book_token(a, x);
    normalise_book_token(b, y);
    const size_t lx = std::strlen(x), ly = std::strlen(y);
    if (lx == 2 || ly == 2) return std::strncmp(x, y, 2) == 0;
    // "Nbd2" against "Nd2": the disambiguation is dropped.
    auto drop_disambiguation = [](char* t) { std::memmove(t + 1, t + 2, std::strlen(t + 2) + 1); };
    if (lx == 4 && ly == 3 && x[2] >= 'a' && x[2] <= 'h') drop_disambiguation(x);
    if (ly == 4 && lx == 3 && y[2] >= 'a' && y[2] <= 'h') drop_disambiguation(y);
    return std::strcmp(x, y) == 0;
}

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
