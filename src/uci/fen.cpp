#include "uci/fen.h"

#include <cstring>

#include "board/position.h"
#include "core/settings.h"

namespace {

// Set-up value of a FEN piece letter: +French letter for white, negated for black, 0 if none.
int fen_piece_code(char c) {
    switch (c) {
    case 'P': return LetterPawn;
    case 'N': return LetterKnight;
    case 'B': return LetterBishop;
    case 'R': return LetterRook;
    case 'Q': return LetterQueen;
    case 'K': return LetterKing;
    case 'p': return -LetterPawn;
    case 'n': return -LetterKnight;
    case 'b': return -LetterBishop;
    case 'r': return -LetterRook;
    case 'q': return -LetterQueen;
    case 'k': return -LetterKing;
    default: return 0;
    }
}

// Mailbox cell of the s-th square of a FEN placement (a8, b8, ... h8, a7, ... h1).
int fen_cell(int s) {
    return 10 * (s % 8 + 1) + (8 - s / 8);
}

} // namespace

void fen_write_board(const char* word) {
    constexpr int MaxFenBoardText = 99;
    int s = 0;
    for (int i = 0; i < MaxFenBoardText && word[i] != '\0'; ++i) {
        const char c = word[i];
        if (c >= '1' && c <= '8') {
            for (int k = 0; k < c - '0'; ++k, ++s)
                if (s < 64) SetupBoard[fen_cell(s)] = 0;
            continue;
        }
        const int code = fen_piece_code(c);
        if (code == 0) continue;
        if (s < 64) SetupBoard[fen_cell(s)] = int8_t(code);
        ++s;
    }
}

void fen_write_side(const char* word) {
    for (const char* p = word; *p != '\0'; ++p) {
        if (*p == 'w') {
            white_to_move_at_start = 1;
            SideToMove = White;
        } else if (*p == 'b') {
            white_to_move_at_start = 0;
            SideToMove = Black;
        }
    }
}

void fen_write_castling(const char* word) {
    SetupCastlingRights[White] = 0;
    SetupCastlingRights[Black] = 0;
    for (const char* p = word; *p != '\0'; ++p) {
        switch (*p) {
        case 'K': SetupCastlingRights[White] |= CastleKingSide; break;
        case 'Q': SetupCastlingRights[White] |= CastleQueenSide; break;
        case 'k': SetupCastlingRights[Black] |= CastleKingSide; break;
        case 'q': SetupCastlingRights[Black] |= CastleQueenSide; break;
        default: break;
        }
    }
}

void fen_write_en_passant(const char* word) {
    SetupEnPassant = 0;
    const bool is_square =
        word[0] >= 'a' && word[0] <= 'h' && word[1] >= '1' && word[1] <= '8' && word[2] == '\0';
    if (is_square) SetupEnPassant = uint8_t(8 * (word[0] - 'a' + 1) + (word[1] - '1'));
}

bool load_fen_fields(const char* fen) {
    constexpr int FieldCount = 4;
    constexpr int FieldSize = 100;
    char fields[FieldCount][FieldSize] = {"", "w", "-", "-"};
    int field = 0;
    const char* p = fen;
    while (field < FieldCount) {
        while (*p == ' ') ++p;
        if (*p == '\0') break;
        int length = 0;
        while (p[length] != '\0' && p[length] != ' ') ++length;
        const int kept = length < FieldSize - 1 ? length : FieldSize - 1;
        std::memcpy(fields[field], p, kept);
        fields[field][kept] = '\0';
        p += length;
        ++field;
    }
    if (field == 0) return false;
    std::memset(SetupBoard, 0, sizeof(SetupBoard));
    fen_write_board(fields[0]);
    fen_write_side(fields[1]);
    fen_write_castling(fields[2]);
    fen_write_en_passant(fields[3]);
    return true;
}
