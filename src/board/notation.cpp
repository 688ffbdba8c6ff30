#include "board/notation.h"

#include "board/types.h"

namespace {

// English letters and the engine letters they stand for, in the same order.
constexpr char EnglishLetters[] = "BKNPQR";
constexpr char InternalLetters[] = {LetterBishop, LetterKing,  LetterKnight,
                                    LetterPawn,   LetterQueen, LetterRook};

// Maps the absolute value of letter from one letter set to the other, keeping the sign; a value
// outside the set is returned unchanged. English letters are read in either case.
int mapLetter(int letter, const char* from, const char* to, bool eitherCase) {
    int a = letter < 0 ? -letter : letter;
    if (eitherCase && a >= 'a' && a <= 'z') a -= 'a' - 'A';
    for (int i = 0; i < 6; ++i)
        if (from[i] == a) return letter < 0 ? -to[i] : to[i];
    return letter;
}

} // namespace

int8_t englishToInternal(int8_t letter) {
    return int8_t(mapLetter(letter, EnglishLetters, InternalLetters, true));
}

int8_t internalToEnglish(int8_t letter) {
    return int8_t(mapLetter(letter, InternalLetters, EnglishLetters, false));
}

void setCastlingRight(uint8_t& rights, int operation) {
    switch (operation) {
    case 0: rights = uint8_t((rights & CastleQueenSide) | CastleKingSide); break;
    case 1: rights = uint8_t((rights & CastleKingSide) | CastleQueenSide); break;
    case 2: rights = uint8_t(rights & CastleQueenSide); break;
    case 3: rights = uint8_t(rights & CastleKingSide); break;
    case 4: rights = 0; break;
    case 5: rights = CastledKingSide; break;
    case 6: rights = CastledQueenSide; break;
    default: break;
    }
}

int piecesReaching(const int8_t* board, int toCell, int8_t piece, int* cells) {
    const int letter = piece < 0 ? -piece : piece;
    int count = 0;
    auto consider = [&](int cell) {
        if (board[cell] == piece && count < MaxPiecesReaching) cells[count++] = cell;
    };
    if (letter == 'N') {
        static const int jumps[8] = {-21, -19, -12, -8, 8, 12, 19, 21};
        for (int j : jumps)
            if (mailbox_on_board(toCell + j)) consider(toCell + j);
        return count;
    }
    static const int straight[4] = {-10, -1, 1, 10};
    static const int diagonal[4] = {-11, -9, 9, 11};
    auto walk = [&](const int* steps) {
        for (int k = 0; k < 4; ++k) {
            int cell = toCell + steps[k];
            while (mailbox_on_board(cell) && board[cell] == 0) cell += steps[k];
            if (mailbox_on_board(cell)) consider(cell);
        }
    };
    if (letter == 'R' || letter == 'Q') walk(straight);
    if (letter == 'B' || letter == 'Q') walk(diagonal);
    return count;
}

void bookNotation(int fromCell, int toCell, int promotion, int captured, int specialKind, int mover,
                  char* out, const int8_t* board) {
    int n = 0;
    if (specialKind == KindCastling) {
        // The king goes to c1/c8 (file 3) on the queen side, g1/g8 on the king side.
        const char* text = toCell / 10 == 3 ? "o-o-o" : "o-o";
        while (*text) out[n++] = *text++;
        out[n] = 0;
        return;
    }

    // Other pieces of the mover's kind and colour that reach the to-cell: the first and the
    // last found decide between the file letter and the rank digit.
    char disambiguator = 0;
    if (mover == 'N' || mover == 'B' || mover == 'R' || mover == 'Q') {
        int found[MaxPiecesReaching];
        const int count = piecesReaching(board, toCell, board[fromCell], found);
        if (count > 1) {
            if (found[0] / 10 != found[count - 1] / 10)
                disambiguator = char('a' + fromCell / 10 - 1);
            else
                disambiguator = char('1' + fromCell % 10 - 1);
        }
    }

    const char toFile = char('a' + toCell / 10 - 1);
    const char toRank = char('1' + toCell % 10 - 1);
    auto addPromotion = [&]() {
        if (specialKind == KindPromotion) {
            out[n++] = '=';
            out[n++] = char(promotion);
        }
    };

    if (mover != 'P') {
        out[n++] = char(mover);
        if (disambiguator) out[n++] = disambiguator;
    }
    if (captured == 0) {
        out[n++] = toFile;
        out[n++] = toRank;
    } else if (mover == 'P') {
        out[n++] = char('a' + fromCell / 10 - 1);
        if (captured == 'P') {
            out[n++] = toFile;
        } else {
            out[n++] = 'x';
            out[n++] = toFile;
            out[n++] = toRank;
        }
    } else {
        out[n++] = 'x';
        out[n++] = toFile;
        out[n++] = toRank;
    }
    addPromotion();
    out[n] = 0;
}

void playMailboxMove(int8_t* board, int fromCell, int toCell, int specialKind, int promotion) {
    const int8_t mover = board[fromCell];
    board[toCell] = mover;
    board[fromCell] = 0;
    switch (specialKind) {
    case KindCastling: {
        // The rook's part: a1-d1, a8-d8, h1-f1, h8-f8 (cells 11-41, 18-48, 81-61, 88-68).
        int rookFrom = 0, rookTo = 0;
        if (toCell == 31)
            rookFrom = 11, rookTo = 41;
        else if (toCell == 38)
            rookFrom = 18, rookTo = 48;
        else if (toCell == 71)
            rookFrom = 81, rookTo = 61;
        else if (toCell == 78)
            rookFrom = 88, rookTo = 68;
        if (rookFrom) {
            board[rookTo] = board[rookFrom];
            board[rookFrom] = 0;
        }
        break;
    }
    case KindEnPassant:
        // The captured pawn stands beside the to-cell, on the from-cell's rank.
        board[toCell % 10 > fromCell % 10 ? toCell - 1 : toCell + 1] = 0;
        break;
    case KindPromotion: {
        const int8_t letter = internalToEnglish(int8_t(promotion));
        board[toCell] = mover < 0 ? int8_t(-letter) : letter;
        break;
    }
    default: break;
    }
}

void standardStartMailbox(int8_t* board) {
    static const int8_t backRank[8] = {LetterRook, LetterKnight, LetterBishop, LetterQueen,
                                       LetterKing, LetterBishop, LetterKnight, LetterRook};
    for (int i = 0; i < MailboxSize; ++i) board[i] = 0;
    for (int file = 1; file <= 8; ++file) {
        board[10 * file + 1] = backRank[file - 1];
        board[10 * file + 2] = LetterPawn;
        board[10 * file + 7] = int8_t(-LetterPawn);
        board[10 * file + 8] = int8_t(-backRank[file - 1]);
    }
}

void englishStartMailbox(int8_t* board) {
    standardStartMailbox(board);
    for (int i = 0; i < MailboxSize; ++i) board[i] = internalToEnglish(board[i]);
}

char uci_text_move[6];

const char* move_to_uci(MOVE move) {
    static const char PromotionLetters[4] = {'n', 'b', 'r', 'q'};
    const int from = move_from(move), to = move_to(move);
    uci_text_move[0] = char('a' + file_of(from));
    uci_text_move[1] = char('1' + rank_of(from));
    uci_text_move[2] = char('a' + file_of(to));
    uci_text_move[3] = char('1' + rank_of(to));
    uci_text_move[4] = '\0';
    if ((move & MoveSpecialMask) == MovePromotion) {
        uci_text_move[4] = PromotionLetters[(move & MovePromotionMask) >> MovePromotionShift];
        uci_text_move[5] = '\0';
    }
    return uci_text_move;
}
