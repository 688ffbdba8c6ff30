// Parsing the move tokens of book games on a private English-letter mailbox: SAN as people write
// it (e4, exd5, ed5, ed, Nf3, Nbd2, R1e2, Qh4e1, e8=Q, O-O, O-O-O), resolved by looking from the
// destination for the piece that can have made the move.
#include "book/book.h"

#include <cstring>

#include "board/notation.h"

namespace {

constexpr int8_t Pawn = 'P';
constexpr int8_t King = 'K';
constexpr int8_t Rook = 'R';

bool is_file(char c) {
    return c >= 'a' && c <= 'h';
}
bool is_rank(char c) {
    return c >= '1' && c <= '8';
}
int cell_of(int file, int rank) {
    return 10 * file + rank;
}
// A cell of the 8x8 part of the mailbox.
bool on_board(int cell) {
    return cell >= 11 && cell <= 88 && cell % 10 != 0 && cell % 10 != 9;
}
int sign_of(int value) {
    return value > 0 ? 1 : value < 0 ? -1 : 0;
}

struct Resolved {
    int from = 0;
    int to = 0;
    int kind = KindNormal;
    int promotion = 0; // English letter, upper case
};

// The text of a square, "e4": its cell, or 0 when it is not a1..h8.
int square_cell(const char* text) {
    return is_file(text[0]) && is_rank(text[1]) ? cell_of(text[0] - 'a' + 1, text[1] - '0') : 0;
}

// A pawn capture of colour c landing on the empty cell to is en passant when an enemy pawn stands
// behind it on the sixth (White) or third (Black) rank.
bool en_passant_target(const int8_t* board, int to, int c) {
    const int rank = c > 0 ? 6 : 3;
    return to % 10 == rank && board[to] == 0 && board[to - c] == -c * Pawn;
}

// "e4": a push of one or two squares.
bool resolve_push(const int8_t* board, int to, int c, Resolved& r) {
    // The cells behind the destination exist only from the second rank (White) or below the
    // seventh (Black): "h8" for Black has none.
    if (board[to] != 0 || !on_board(to - c)) return false;
    if (board[to - c] == c * Pawn) {
        r.from = to - c;
    } else if (board[to - c] == 0 && on_board(to - 2 * c) && board[to - 2 * c] == c * Pawn &&
               to % 10 == (c > 0 ? 4 : 5)) {
        r.from = to - 2 * c;
    } else {
        return false;
    }
    r.to = to;
    return true;
}

// "ed": a pawn of file fromFile takes on the neighbouring file toFile, the first enemy piece up
// the file that such a pawn attacks, or en passant.
bool resolve_file_capture(const int8_t* board, int fromFile, int toFile, int c, Resolved& r) {
    if (fromFile - toFile != 1 && toFile - fromFile != 1) return false;
    for (int rank = 1; rank <= 8; ++rank) {
        const int to = cell_of(toFile, rank);
        const int pawnRank = rank - c;
        if (pawnRank < 1 || pawnRank > 8) continue;
        if (sign_of(board[to]) == -c && board[cell_of(fromFile, pawnRank)] == c * Pawn) {
            r.from = cell_of(fromFile, pawnRank);
            r.to = to;
            return true;
        }
    }
    const int to = cell_of(toFile, c > 0 ? 6 : 3);
    const int from = cell_of(fromFile, c > 0 ? 5 : 4);
    if (!en_passant_target(board, to, c) || board[from] != c * Pawn) return false;
    r.from = from;
    r.to = to;
    r.kind = KindEnPassant;
    return true;
}

// "ed5": the pawn of file fromFile that takes on to.
bool resolve_pawn_capture(const int8_t* board, int fromFile, int to, int c, Resolved& r) {
    const int sources[2] = {to - 11 * c, to + 9 * c};
    for (int from : sources) {
        if (!on_board(from) || from / 10 != fromFile || board[from] != c * Pawn) continue;
        if (sign_of(board[to]) == -c) {
            r.from = from;
            r.to = to;
            return true;
        }
        if (en_passant_target(board, to, c)) {
            r.from = from;
            r.to = to;
            r.kind = KindEnPassant;
            return true;
        }
    }
    return false;
}

// "Nf3", "Nbd2", "R1e2", "Qh4e1": the first piece of the letter and colour, looking outwards from
// the destination, that stands on the file and rank given.
bool resolve_piece_move(const int8_t* board, const char* text, int length, int to, int c,
                        Resolved& r) {
    static const int KnightSteps[8] = {12, 21, 19, 8, -12, -21, -19, -8};
    static const int KingSteps[8] = {-11, 11, -9, 9, -1, 1, -10, 10};
    const char letter = text[0];
    int file = 0, rank = 0;
    for (int i = 1; i < length - 2; ++i) {
        if (is_file(text[i]) && file == 0)
            file = text[i] - 'a' + 1;
        else if (is_rank(text[i]) && rank == 0)
            rank = text[i] - '0';
        else
            return false;
    }
    const int8_t wanted = int8_t(c * letter);
    auto matches = [&](int cell) {
        return board[cell] == wanted && (file == 0 || cell / 10 == file) &&
               (rank == 0 || cell % 10 == rank);
    };
    auto found = [&](int cell) {
        r.from = cell;
        r.to = to;
        return true;
    };

    if (letter == 'N' || letter == 'K') {
        const int* steps = letter == 'N' ? KnightSteps : KingSteps;
        for (int k = 0; k < 8; ++k)
            if (on_board(to + steps[k]) && matches(to + steps[k])) return found(to + steps[k]);
        return false;
    }
    int first = 0, last = 0; // range of KingSteps: diagonals 0-3, lines 4-7
    if (letter == 'B')
        first = 0, last = 4;
    else if (letter == 'R')
        first = 4, last = 8;
    else if (letter == 'Q')
        first = 0, last = 8;
    else
        return false;
    for (int k = first; k < last; ++k) {
        int cell = to + KingSteps[k];
        while (on_board(cell) && board[cell] == 0) cell += KingSteps[k];
        if (on_board(cell) && matches(cell)) return found(cell);
    }
    return false;
}

// Castling needs the king and the rook on their home cells and the cells between them empty.
bool resolve_castling(const int8_t* board, bool longSide, int c, Resolved& r) {
    const int rank = c > 0 ? 1 : 8;
    const int king = cell_of(5, rank);
    const int rook = cell_of(longSide ? 1 : 8, rank);
    if (board[king] != c * King || board[rook] != c * Rook) return false;
    for (int cell = (longSide ? rook : king) + 10; cell < (longSide ? king : rook); cell += 10)
        if (board[cell] != 0) return false;
    r.from = king;
    r.to = cell_of(longSide ? 3 : 7, rank);
    r.kind = KindCastling;
    return true;
}

bool resolve(const int8_t* board, char* text, int c, Resolved& r) {
    if (std::strcmp(text, "o-o") == 0 || std::strcmp(text, "o-o-o") == 0)
        return resolve_castling(board, text[3] == '-', c, r);

    int length = int(std::strlen(text));
    if (length >= 2 && text[length - 2] == '=') {
        const char piece = text[length - 1];
        if (piece != 'Q' && piece != 'R' && piece != 'N' && piece != 'B' && piece != 'b')
            return false;
        r.promotion = piece == 'b' ? 'B' : piece;
        length -= 2;
        text[length] = 0;
    }

    bool ok = false;
    if (length == 2 && is_file(text[0]) && is_file(text[1])) {
        ok = resolve_file_capture(board, text[0] - 'a' + 1, text[1] - 'a' + 1, c, r);
    } else if (length >= 2) {
        const int to = square_cell(text + length - 2);
        if (to == 0 || sign_of(board[to]) == c) return false;
        if (length == 2) {
            ok = resolve_push(board, to, c, r);
        } else if (length == 3 && is_file(text[0])) {
            ok = resolve_pawn_capture(board, text[0] - 'a' + 1, to, c, r);
            // "bc5" that no pawn of the b-file can play is a bishop move.
            if (!ok && text[0] == 'b') {
                text[0] = 'B';
                ok = r.promotion == 0 && resolve_piece_move(board, text, length, to, c, r);
            }
        } else if (length <= 5) {
            ok = r.promotion == 0 && resolve_piece_move(board, text, length, to, c, r);
        }
    }
    if (!ok) return false;

    // A promotion is a pawn reaching the last rank with a piece named; a pawn reaching it without
    // one is read as written.
    const bool pawn = board[r.from] == c * Pawn;
    if (r.promotion != 0) {
        if (!pawn || r.to % 10 != (c > 0 ? 8 : 1)) return false;
        r.kind = KindPromotion;
    }
    return true;
}

} // namespace

void normalise_book_token(const char* token, char* out) {
    int n = 0;
    for (int i = 0; i < 7 && token[i] != 0; ++i) {
        char c = token[i];
        // Check and mate signs say nothing of the move: "Qxf7#" of a game record is "Qf7".
        if (c == ' ' || c == '+' || c == '#' || c == 'x' || c == 'X') continue;
        if (c == 'O')
            c = 'o';
        else if (c == 'k' || c == 'n' || c == 'q' || c == 'r')
            c = char(c - 'a' + 'A');
        out[n++] = c;
    }
    out[n] = 0;
}

namespace {

// The normalised token without its mark; true when it had one.
bool strip_mark(char* text) {
    const size_t length = std::strlen(text);
    if (length == 0 || text[length - 1] != '@') return false;
    text[length - 1] = 0;
    return true;
}

void fill_move(const Resolved& r, BookMove& move) {
    move.from = uint8_t(r.from);
    move.to = uint8_t(r.to);
    move.kind = uint8_t(r.kind);
    move.promotion = r.promotion ? uint8_t(englishToInternal(int8_t(r.promotion))) : 0;
}

} // namespace

bool resolve_book_token(const int8_t* board, const char* token, int colour, BookMove& move) {
    char text[8];
    normalise_book_token(token, text);
    strip_mark(text);
    Resolved r;
    if (!resolve(board, text, colour, r)) return false;
    fill_move(r, move);
    return true;
}

void parse_book_move(int ply, const char* token, int weight, int8_t* board) {
    if (book_game_count < 1 || book_game_count > book_capacity || ply < 1 || ply > BookGamePlies)
        return;
    BookMove* game = &book_moves[size_t(book_game_count - 1) * BookGameEntries];
    BookMove& e = game[ply - 1];
    e = BookMove{};
    e.ply = uint16_t(ply);
    game[ply].from = 0;

    char text[8];
    normalise_book_token(token, text);
    e.mark = strip_mark(text) ? 1 : 0;

    const int c = ply % 2 ? 1 : -1;
    Resolved r;
    if (!resolve(board, text, c, r)) return;

    fill_move(r, e);
    e.weight = uint8_t(weight < 0 ? 0 : weight > 99 ? 99 : weight);
    playMailboxMove(board, r.from, r.to, r.kind, e.promotion);

    const uint16_t signature = uint16_t(r.to * r.to - r.from * r.from);
    const BookMove* previous = ply > 1 ? &game[ply - 2] : nullptr;
    const uint16_t white = previous ? previous->whiteSignature : 0;
    const uint16_t black = previous ? previous->blackSignature : 0;
    e.whiteSignature = c > 0 ? uint16_t(white + signature) : white;
    e.blackSignature = c < 0 ? uint16_t(black + signature) : black;
}
