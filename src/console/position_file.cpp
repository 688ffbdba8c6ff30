#include "console/position_file.h"

#include "board/notation.h"
#include "board/position.h"
#include "board/types.h"
#include "console/key_input.h"
#include "core/output.h"
#include "core/settings.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

char position_file_name[PositionFileNameSize] = "chessbd.pos";

namespace {

constexpr int ShortFileSize = 64; // one SetupBoard code per square, a1, a2, ... h8
constexpr int LineLength = 27;    // "|xx" eight times, "|", CR, LF
constexpr int LongFileSize = 8 * LineLength;
constexpr int ReadLimit = 2000;

bool isPieceCode(int v) {
    int a = v < 0 ? -v : v;
    return letter_type(a) != 0;
}

// Engine letter of an English piece letter, 0 for anything else.
int englishPiece(int c) {
    if (c != 'K' && c != 'Q' && c != 'R' && c != 'B' && c != 'N' && c != 'P') return 0;
    return englishToInternal(int8_t(c));
}

// Engine letter of a French piece letter, 0 for anything else.
int frenchPiece(int c) {
    return letter_type(c) != 0 ? c : 0;
}

// Signed code of one square of the 216-byte form, 0 when empty or not understood.
int squareCode(int first, int second, bool english) {
    int piece, sign;
    if (english) {
        piece = englishPiece(second);
        sign = first == 'W' ? 1 : first == 'B' ? -1 : 0;
    } else {
        piece = frenchPiece(first);
        sign = second == 'B' ? 1 : second == 'N' ? -1 : 0;
    }
    return piece * sign;
}

void readShortForm(const unsigned char* bytes) {
    for (int i = 0; i < ShortFileSize; ++i) {
        int v = int8_t(bytes[i]);
        // V (vide) is an empty square; a byte that is no piece code is taken as empty too, so
        // that nothing but pieces ever reaches the set-up.
        if (v == 'V' || !isPieceCode(v)) v = 0;
        SetupBoard[10 * (i / 8 + 1) + i % 8 + 1] = int8_t(v);
    }
}

void readLongForm(const unsigned char* bytes, bool english) {
    for (int line = 0; line < 8; ++line) {
        for (int file = 0; file < 8; ++file) {
            const int k = line * LineLength + file * 3;
            if (bytes[k] != '|') continue;
            SetupBoard[10 * (file + 1) + 8 - line] =
                int8_t(squareCode(bytes[k + 1], bytes[k + 2], english));
        }
    }
}

// Asks one square until the answer names an empty square or a piece.
void askSquare(int file, int rank) {
    for (;;) {
        std::printf("\n%c%d : ", 'A' + file - 1, rank);
        char answer[3] = {};
        read_text(answer, 2);
        for (char& c : answer)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        int8_t& cell = SetupBoard[10 * file + rank];
        if (answer[0] == 'E' || answer[0] == 'V') {
            cell = 0;
            return;
        }
        if (answer[0] == 'W' || answer[0] == 'B') {
            int piece = englishPiece(answer[1]);
            if (piece != 0) {
                cell = int8_t(answer[0] == 'W' ? piece : -piece);
                return;
            }
        }
    }
}

} // namespace

bool read_position_file(const char* name) {
    int8_t standard[MailboxSize];
    standardStartMailbox(standard);

    if (!standard_start && name != nullptr) {
        const int handle = platform_open_read(name);
        if (handle < 0) return false;
        static unsigned char bytes[ReadLimit];
        int size = 0;
        while (size < ReadLimit) {
            int got = platform_read(handle, bytes + size, ReadLimit - size);
            if (got <= 0) break;
            size += got;
        }
        platform_close(handle);

        if (size != ShortFileSize && size != LongFileSize) return false;
        int setByte = 0;
        for (int i = 0; i < size && setByte == 0; ++i)
            if (bytes[i] == 'C' || bytes[i] == 'K') setByte = bytes[i];
        if (setByte == 0) return false;

        std::memset(SetupBoard, 0, sizeof SetupBoard);
        if (size == ShortFileSize)
            readShortForm(bytes);
        else
            readLongForm(bytes, setByte == 'K');
    } else {
        place_standard_start();
        standard_start = 1;
        return true;
    }

    if (std::memcmp(SetupBoard, standard, sizeof SetupBoard) == 0) {
        standard_start = 1;
        SetupCastlingRights[White] = CastleKingSide | CastleQueenSide;
        SetupCastlingRights[Black] = CastleKingSide | CastleQueenSide;
    }
    return true;
}

int enter_position_dialogue() {
    std::memset(SetupBoard, 0, sizeof SetupBoard);
    for (int rank = 8; rank >= 1; --rank)
        for (int file = 1; file <= 8; ++file) askSquare(file, rank);

    std::printf("\nFilename to create : ");
    char name[8];
    read_text(name, 7);
    std::snprintf(position_file_name, sizeof position_file_name, "%s.pos", name);

    const int handle = platform_create_file(position_file_name);
    if (handle < 0) return EntryCannotCreate;
    char text[LongFileSize];
    int n = 0;
    for (int rank = 8; rank >= 1; --rank) {
        for (int file = 1; file <= 8; ++file) {
            const int v = SetupBoard[10 * file + rank];
            text[n++] = '|';
            text[n++] = v > 0 ? 'W' : v < 0 ? 'B' : ' ';
            text[n++] = v != 0 ? char(internalToEnglish(int8_t(v < 0 ? -v : v))) : ' ';
        }
        text[n++] = '|';
        text[n++] = '\r';
        text[n++] = '\n';
    }
    platform_write(handle, text, n);
    platform_close(handle);
    return EntryDone;
}

void enter_position() {
    if (enter_position_dialogue() != EntryDone) {
        std::fflush(stdout);
        engine_quit();
    }
}
