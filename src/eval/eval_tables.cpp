#include "eval/eval_tables.h"

#include <cstring>

#include "board/position.h"

int8_t PhaseFactor[41];
int8_t PieceSquareTables[KindCount][64];
uint8_t endgame_tables_installed = 0;
uint8_t middlegame_king_files[2] = {4, 4};

namespace {

using Table = int8_t[64];

// Tables below are written file by file (a..h), each file's ranks 1..8: square order.
constexpr int8_t KnightTable[64] = {
    -100, -80, -60, -60, -60, -60, -60, -120, // a
    -70,  -50, 20,  40,  60,  70,  40,  20,   // b
    -20,  1,   40,  30,  40,  40,  70,  50,   // c
    -20,  20,  20,  60,  60,  40,  30,  20,   // d
    -20,  20,  30,  50,  70,  50,  30,  20,   // e
    -20,  20,  40,  30,  50,  60,  60,  20,   // f
    -20,  0,   20,  20,  20,  20,  10,  0,    // g
    -100, -80, -60, -60, -60, -60, -60, -120, // h
};

constexpr int8_t BishopTable[64] = {
    0,   0,  0,  10, 0,  0,  0,  0,  // a
    0,   20, 20, 0,  40, 40, 0,  0,  // b
    -50, 20, 10, 40, 10, 10, 20, 0,  // c
    -10, -5, 10, 10, 10, 10, 0,  0,  // d
    0,   40, 0,  40, 20, 30, 0,  0,  // e
    -70, 0,  20, 20, 20, 20, 50, 0,  // f
    0,   20, 0,  0,  40, 0,  20, 0,  // g
    0,   0,  0,  0,  0,  0,  0,  20, // h
};

constexpr int8_t RookTable[64] = {
    0,  0, 10, 20, 20, 70, 120, 70, // a
    0,  0, 10, 20, 20, 70, 120, 70, // b
    40, 0, 30, 30, 40, 70, 120, 70, // c
    50, 0, 30, 30, 40, 70, 120, 70, // d
    70, 0, 30, 30, 40, 70, 120, 70, // e
    0,  0, 30, 30, 40, 70, 120, 70, // f
    0,  0, 30, 30, 40, 70, 120, 70, // g
    20, 0, 30, 30, 40, 70, 120, 70, // h
};

constexpr int8_t QueenTable[64] = {
    0, 0,  5,  10, 10, 5,  10,  20, // a
    0, 0,  10, 10, 20, 20, 100, 20, // b
    0, 20, 20, 30, 40, 50, 100, 60, // c
    0, 20, 20, 30, 40, 50, 100, 60, // d
    0, 20, 20, 30, 40, 50, 100, 60, // e
    0, 20, 20, 30, 40, 50, 100, 60, // f
    0, 20, 20, 30, 40, 50, 100, 60, // g
    0, 20, 20, 30, 40, 50, 100, 60, // h
};

constexpr int8_t MiddlegameKingTable[64] = {
    0,  1,  5,  10, 15, 20, 25, 20, // a
    5,  10, 15, 20, 25, 30, 35, 30, // b
    10, 15, 20, 25, 30, 35, 40, 35, // c
    20, 25, 30, 35, 40, 45, 50, 45, // d
    20, 25, 30, 35, 40, 45, 50, 45, // e
    10, 15, 20, 25, 30, 35, 40, 35, // f
    5,  10, 15, 20, 25, 30, 35, 30, // g
    0,  1,  5,  10, 15, 20, 25, 20, // h
};

constexpr int8_t EndgameKingTable[64] = {
    0, 10, 20, 30, 40, 50, 60, 40, // a
    0, 15, 25, 35, 45, 55, 65, 45, // b
    0, 20, 30, 40, 50, 60, 70, 60, // c
    5, 25, 35, 45, 55, 65, 75, 65, // d
    5, 25, 35, 45, 55, 65, 75, 65, // e
    0, 20, 30, 40, 50, 60, 70, 60, // f
    0, 15, 25, 35, 45, 55, 65, 45, // g
    0, 10, 20, 30, 40, 50, 60, 40, // h
};

// Middle-game pawn files, ranks 1..8 of the pawn's own side.
constexpr int8_t PawnShelterFile[8] = {0, 1, -10, -50, -40, 30, 100, 120}; // own king's wing
constexpr int8_t PawnShelterC[8] = {0, 1, 0, -50, -40, 30, 100, 120};
constexpr int8_t PawnStormAB[8] = {0, 0, 10, 50, 70, 90, 100, 120}; // enemy king on a-c
constexpr int8_t PawnStormC[8] = {0, 0, 10, 30, 40, 50, 100, 120};
constexpr int8_t PawnQuietAB[8] = {0, 1, 2, 3, 4, 35, 100, 120};
constexpr int8_t PawnQuietC[8] = {0, -10, 20, 50, 52, 55, 100, 120};
constexpr int8_t PawnCentre[8] = {0, -30, 20, 50, 52, 55, 100, 120};
constexpr int8_t PawnShelterF[8] = {0, 1, 1, 2, 50, 80, 100, 120};
constexpr int8_t PawnQuietFGH[8] = {0, 1, 0, 10, 20, 40, 60, 120};
constexpr int8_t EndgamePawnFile[8] = {0, 1, 20, 40, 60, 80, 100, 120};

constexpr uint8_t WingQueenSide = 8; // kingWing of a king on files a-c
constexpr uint8_t WingKingSide = 4;  // kingWing of a king on files f-h (or castled short)

void set_file(Table& table, int file, const int8_t (&ranks)[8]) {
    std::memcpy(&table[file * 8], ranks, 8);
}

// One colour's middle-game pawn table from its own and the enemy's kingWing.
void build_pawn_table(Table& table, uint8_t own, uint8_t enemy) {
    const bool shelterQueenSide = own == WingQueenSide;
    const bool stormQueenSide = !shelterQueenSide && enemy == WingQueenSide;
    const int8_t(&ab)[8] = shelterQueenSide ? PawnShelterFile
                           : stormQueenSide ? PawnStormAB
                                            : PawnQuietAB;
    const int8_t(&c)[8] = shelterQueenSide ? PawnShelterC
                          : stormQueenSide ? PawnStormC
                                           : PawnQuietC;
    set_file(table, 0, ab);
    set_file(table, 1, ab);
    set_file(table, 2, c);
    set_file(table, 3, PawnCentre);
    set_file(table, 4, PawnCentre);
    // Only the king-side castling right left counts as a king-side king.
    const bool shelterKingSide = own == WingKingSide || own == CastleKingSide;
    set_file(table, 5, shelterKingSide ? PawnShelterF : PawnQuietFGH);
    set_file(table, 6, shelterKingSide ? PawnShelterFile : PawnQuietFGH);
    set_file(table, 7, shelterKingSide ? PawnShelterFile : PawnQuietFGH);
}

void set_both_colours(int type, const int8_t (&table)[64]) {
    std::memcpy(PieceSquareTables[piece_kind(type, White)], table, 64);
    std::memcpy(PieceSquareTables[piece_kind(type, Black)], table, 64);
}

} // namespace

void init_evaluation_tables() {
    for (int n = 0; n <= 40; ++n) PhaseFactor[n] = int8_t(50 + (5 * n) / 4);
    build_middlegame_tables();
    fill_piece_square_values();
}

void build_middlegame_tables() {
    set_both_colours(TypeKnight, KnightTable);
    set_both_colours(TypeBishop, BishopTable);
    set_both_colours(TypeRook, RookTable);
    set_both_colours(TypeQueen, QueenTable);
    set_both_colours(TypeKing, MiddlegameKingTable);
    const PlyState& root = PlyStates[0];
    build_pawn_table(PieceSquareTables[piece_kind(TypePawn, White)], root.kingWing[White],
                     root.kingWing[Black]);
    build_pawn_table(PieceSquareTables[piece_kind(TypePawn, Black)], root.kingWing[Black],
                     root.kingWing[White]);
}

void install_endgame_tables() {
    set_both_colours(TypeKing, EndgameKingTable);
    for (int file = 0; file < 8; ++file) {
        set_file(PieceSquareTables[piece_kind(TypePawn, White)], file, EndgamePawnFile);
        set_file(PieceSquareTables[piece_kind(TypePawn, Black)], file, EndgamePawnFile);
    }
}

void fill_piece_square_values() {
    const bool middlegame = PlyStates[0].phase == 0;
    for (int kind = 0; kind < KindCount; ++kind) {
        const uint8_t letter = KindLetter[kind];
        const bool kept = middlegame || letter == LetterKnight || letter == LetterPawn;
        const bool black = (kind & 1) != 0;
        for (int sq = 0; sq < 64; ++sq) {
            int8_t value = 0;
            if (kept) {
                value =
                    black ? int8_t(-PieceSquareTables[kind][sq ^ 7]) : PieceSquareTables[kind][sq];
            }
            Board[sq].pieceSquare[kind] = value;
        }
    }
}
