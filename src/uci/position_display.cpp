#include "uci/position_display.h"

#include "board/keys.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "search/hash_table.h"
#include "uci/debug_commands.h"
#include "uci/position_command.h"

#include <cinttypes>
#include <cstdio>

namespace {

// FEN letter of the piece on a square, 0 when empty.
char fenLetter(int square) {
    const BoardSquare& s = Board[square];
    if (s.letter == 0) return 0;
    const char english = char(internalToEnglish(int8_t(s.letter)));
    return s.sign < 0 ? char(english - 'A' + 'a') : english;
}

} // namespace

void game_position_fen(char* out) {
    int n = 0;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const char c = fenLetter(make_square(file, rank));
            if (c == 0) {
                ++empty;
                continue;
            }
            if (empty) out[n++] = char('0' + empty);
            empty = 0;
            out[n++] = c;
        }
        if (empty) out[n++] = char('0' + empty);
        if (rank) out[n++] = '/';
    }
    out[n++] = ' ';
    out[n++] = SideToMove == White ? 'w' : 'b';
    out[n++] = ' ';
    const uint8_t white = PlyStates[0].castlingRights[White];
    const uint8_t black = PlyStates[0].castlingRights[Black];
    const int before = n;
    if (white & CastleKingSide) out[n++] = 'K';
    if (white & CastleQueenSide) out[n++] = 'Q';
    if (black & CastleKingSide) out[n++] = 'k';
    if (black & CastleQueenSide) out[n++] = 'q';
    if (n == before) out[n++] = '-';
    out[n++] = ' ';
    const int ep = SearchNodes[0].EnPassantSquare;
    if (ep != 0) {
        out[n++] = char('a' + file_of(ep));
        out[n++] = char('1' + rank_of(ep));
    } else {
        out[n++] = '-';
    }
    // The clock counts from the set-up's clock until the first capture or pawn move.
    const int clock =
        GamePly - LastIrreversiblePly + (LastIrreversiblePly == 0 ? start_half_move_clock : 0);
    const int blackStarted = white_to_move_at_start ? 0 : 1;
    std::snprintf(out + n, 100 - n, " %d %d", clock,
                  start_move_number + (GamePly + blackStarted) / 2);
}

void show_position_command() {
    const char* border = " +---+---+---+---+---+---+---+---+\n";
    std::printf("\n%s", border);
    for (int rank = 7; rank >= 0; --rank) {
        for (int file = 0; file < 8; ++file) {
            const char c = fenLetter(make_square(file, rank));
            std::printf(" | %c", c ? c : ' ');
        }
        std::printf(" | %d\n%s", rank + 1, border);
    }
    std::printf("   a   b   c   d   e   f   g   h\n\n");
    char fen[100];
    game_position_fen(fen);
    // The key of the position even before a transposition table exists (keys read as 0 then).
    const bool hashEnabled = HashEnabled;
    HashEnabled = true;
    const KeyPair key = fullKey(0);
    HashEnabled = hashEnabled;
    std::printf("Fen: %s\nKey: %016" PRIX64 "\n", fen, key.key64);
    std::fflush(stdout);
}
