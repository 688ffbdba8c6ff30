// Loading the book: the file's text normalised into book_text, its moves parsed into book_moves.
#include "book/book.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/notation.h"
#include "core/output.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "search/search_flags.h"

BookMove* book_moves = nullptr;
int book_capacity = 0;
int16_t last_book_ply = 0;
uint8_t book_updated = 0;
int book_game_count = 0;
char* book_text = nullptr;
int book_text_length = 0;
uint8_t book_truncated = 0;

const char* book_file_name = "pellan.txt";
uint8_t book_default_weight = 30;
uint8_t book_first_match_only = 0;
uint8_t book_best_only = 0;
uint8_t book_random = 1;
uint8_t book_update_enabled = 1;
uint8_t book_update_blocked = 0;

MOVE book_move = 0;
uint8_t book_move_played = 0;

namespace {

// Room kept free in the text for what one input byte can add: a weight "(ww) ", a line break,
// the byte itself and the line break before a tag.
constexpr int TextSlack = 10;

void free_text() {
    std::free(book_text);
    book_text = nullptr;
    book_text_length = 0;
}

// Makes room for the given number of games, 100 at a time; new entries are empty.
bool reserve_games(int games) {
    if (games <= book_capacity && book_moves != nullptr) return true;
    int capacity = book_capacity;
    while (capacity < games) capacity += BookCapacityStep;
    const size_t count = size_t(capacity) * BookGameEntries;
    void* grown = std::realloc(book_moves, count * sizeof(BookMove));
    if (grown == nullptr) return false;
    auto* entries = static_cast<BookMove*>(grown);
    const size_t old = book_moves == nullptr ? 0 : size_t(book_capacity) * BookGameEntries;
    std::memset(static_cast<void*>(entries + old), 0, (count - old) * sizeof(BookMove));
    book_moves = entries;
    book_capacity = capacity;
    return true;
}

// Decimal value of two weight characters, read like atoi ("45" 45, "(5" 0, " 7" 7), kept within
// 0..99 so that a stray sign never makes a weight.
int two_digit_value(char a, char b) {
    const char text[3] = {a, b, 0};
    const int value = std::atoi(text);
    return value < 0 ? 0 : value > 99 ? 99 : value;
}

// The scan of the book file. Each input byte is copied to the text and then acted on; a token
// (move) gets its weight when the byte after its separator arrives.
struct BookScanner {
    uint8_t parseAll;
    char* out;
    int n = 0; // bytes of text written
    int8_t board[MailboxSize];

    bool inTag = false;
    bool inHeader = false; // a tag was seen and no move character since
    bool inComment = false;
    bool inParen = false;
    bool inToken = false;
    bool pendingWeight = false; // a token has ended and its weight is not known yet
    bool afterSeparator = true;
    bool separatorBeforeToken = true;
    int ply = 0;
    char token[8] = {};
    int tokenLength = 0;
    int tokenStart = 0;
    char defaultWeight[2];

    bool textFull = false; // the text ran out of room (scanning stopped)
    bool outOfGames = false;

    // A new game: counted, its table entries made room for, the parse board reset.
    bool begin_game() {
        if (!reserve_games(book_game_count + 1)) return false;
        ++book_game_count;
        if (parseAll) {
            BookMove* entries = &book_moves[size_t(book_game_count - 1) * BookGameEntries];
            std::memset(static_cast<void*>(entries), 0, BookGameEntries * sizeof(BookMove));
        }
        englishStartMailbox(board);
        return true;
    }

    void parse(int weight) {
        if (ply >= 1 && ply <= BookGamePlies && book_game_count > 0)
            parse_book_move(ply, token, weight, board);
    }

    void line_break() {
        out[n++] = '\r';
        out[n++] = '\n';
    }

    // Returns false when scanning must stop.
    bool scan(unsigned char c) {
        if (n + TextSlack >= BookTextLimit - 1) {
            textFull = true;
            return false;
        }
        if (!inToken && c == '@') return true;
        out[n++] = char(c);

        if (c == '[') {
            if (!inHeader) {
                if (!begin_game()) {
                    outOfGames = true;
                    return false;
                }
                inHeader = true;
            }
            inTag = true;
            afterSeparator = false;
            // A tag starts a line: a separator before it becomes the line break, otherwise one is
            // added, so that no character of the text is lost.
            const int at = n - 1;
            if (at > 0 && !(at >= 2 && out[at - 2] == '\r' && out[at - 1] == '\n')) {
                const char before = out[at - 1];
                if (before == ' ' || before == '\r' || before == '\n') {
                    out[at - 1] = '\r';
                    out[at] = '\n';
                } else {
                    out[at] = '\r';
                    out[n++] = '\n';
                }
                out[n++] = '[';
            }
            return true;
        }
        if (c == ']') {
            inTag = pendingWeight = inToken = false;
            ply = 0;
            line_break();
            afterSeparator = true;
            return true;
        }
        if (inTag) return true;
        if (c == '{' || c == '}') {
            inComment = c == '{';
            return true;
        }
        if (inComment) return true;

        if (pendingWeight && c != '(') {
            // The finished token had no weight: the default one goes in before this byte.
            --n;
            out[n++] = '(';
            out[n++] = defaultWeight[0];
            out[n++] = defaultWeight[1];
            out[n++] = ')';
            out[n++] = ' ';
            pendingWeight = false;
            afterSeparator = true;
            parse(two_digit_value(defaultWeight[0], defaultWeight[1]));
            if (ply % 4 == 0) line_break();
            out[n++] = char(c);
        }

        if (c == '(') {
            pendingWeight = false;
            inParen = true;
            return true;
        }
        if (c == ')') {
            inParen = false;
            const int at = n - 1;
            const int weight = at >= 2 ? two_digit_value(out[at - 2], out[at - 1]) : 0;
            if (parseAll) parse(weight);
            // The space after a weight stays, unless the weight ends a line.
            afterSeparator = ply % 4 == 0;
            if (afterSeparator) line_break();
            return true;
        }
        if (inParen) return true;

        if (c == ' ' || c == '\r' || c == '\n') {
            // Runs of separators collapse; a line break between moves reads as a space, lines
            // being made by the ply count.
            if (afterSeparator)
                --n;
            else
                out[n - 1] = ' ';
            afterSeparator = true;
            if (inToken) {
                pendingWeight = true;
                ++ply;
                inToken = false;
            }
            return true;
        }

        // A token character. Moves before any tag belong to a first game.
        if (book_game_count == 0 && !begin_game()) {
            outOfGames = true;
            return false;
        }
        inHeader = false;
        if (!inToken) {
            inToken = true;
            tokenLength = 0;
            tokenStart = n - 1;
            separatorBeforeToken = afterSeparator;
        }
        afterSeparator = false;
        if (tokenLength < 7) token[tokenLength++] = char(c);
        token[tokenLength] = 0;
        if (c == '.') {
            // A move number: gone from the text, as if it had never been there.
            n = tokenStart;
            inToken = false;
            afterSeparator = separatorBeforeToken;
        }
        return true;
    }
};

void send_count(const char* format) {
    char message[64];
    std::snprintf(message, sizeof message, format, book_game_count);
    send_info(message);
}

// Reads up to BookTextLimit bytes of the file into buffer: the count, or -1 on a read error.
int read_book_file(int handle, char* buffer) {
    int total = 0;
    while (total < BookTextLimit) {
        const int got = platform_read(handle, buffer + total, BookTextLimit - total);
        if (got < 0) return -1;
        if (got == 0) break;
        total += got;
    }
    return total;
}

} // namespace

void install_book_settings() {
    release_book();
    book_file_name = "pellan.txt";
    book_default_weight = 30;
    book_first_match_only = 0;
    book_best_only = 0;
    book_random = 1;
    book_update_enabled = 1;
    book_update_blocked = 0;
    book_truncated = 0;
    book_move = 0;
    book_move_played = 0;
    reserve_games(BookCapacityStep);
}

void release_book() {
    free_text();
    std::free(book_moves);
    book_moves = nullptr;
    book_capacity = 0;
    book_game_count = 0;
}

void load_book(uint8_t parse_all) {
    book_game_count = 0;
    free_text();
    book_truncated = 0;

    const int handle = platform_open_read(book_file_name);
    char* input = handle < 0 ? nullptr : static_cast<char*>(std::malloc(BookTextLimit));
    const int length = input == nullptr ? -1 : read_book_file(handle, input);
    if (handle >= 0) platform_close(handle);
    if (length < 0) {
        std::free(input);
        report_io_error(node_count);
        own_book_option = 0;
        send_count("\n%d opening games loaded");
        return;
    }
    if (length == 0) {
        std::free(input);
        return;
    }

    BookScanner scanner;
    scanner.parseAll = parse_all;
    scanner.out = static_cast<char*>(std::malloc(BookTextLimit));
    if (scanner.out == nullptr) {
        std::free(input);
        send_count("\n%d opening games loaded");
        return;
    }
    const int weight = book_default_weight > 99 ? 99 : book_default_weight;
    scanner.defaultWeight[0] = char('0' + weight / 10);
    scanner.defaultWeight[1] = char('0' + weight % 10);
    englishStartMailbox(scanner.board);
    for (int i = 0; i < length; ++i)
        if (!scanner.scan(static_cast<unsigned char>(input[i]))) break;
    std::free(input);

    void* shrunk = std::realloc(scanner.out, size_t(scanner.n > 0 ? scanner.n : 1));
    book_text = static_cast<char*>(shrunk != nullptr ? shrunk : scanner.out);
    book_text_length = scanner.n;

    // A book whose text could not be held whole must never be written back: the games beyond
    // the cut would be lost.
    if (length == BookTextLimit || scanner.textFull || scanner.outOfGames) {
        book_truncated = 1;
        send_count("\nWARNING : only %d opening games loaded");
        return;
    }
    send_count("\n%d opening games loaded");
}
