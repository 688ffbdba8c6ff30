#include "board/move_table.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "board/geometry.h"
#include "board/position.h"

MOVE* MoveTable[64][KindCount][8];
MOVE MovePool[MovePoolSize];
int MovePoolUsed = 0;
int8_t MoveSquareDelta[KindCount * 64 * 64];

namespace {

constexpr int BishopRays[4] = {1, 3, 7, 5};            // +9, +7, -7, -9
constexpr int RookRays[4] = {0, 4, 2, 6};              // +1, -1, +8, -8
constexpr int QueenRays[8] = {0, 1, 2, 3, 4, 5, 6, 7}; // +1, +9, +8, +7, -1, -9, -8, -7

MOVE* pool_cursor;

// The code of a table entry: squares, mover, quiet class and the castling-square flag.
MOVE table_code(int from, int to, int type) {
    MOVE m = MOVE(to) | MOVE(from) << MoveFromShift | MOVE(type) << MoveMoverShift | ClassQuiet;
    if ((CastlingSquares & (square_bit(from) | square_bit(to))) != 0) m |= MoveCastlingSquare;
    return m;
}

void put(MOVE m) {
    *pool_cursor++ = m;
}
void end_list() {
    *pool_cursor++ = 0;
}

// The four promotions D, T, F, C of a pawn move; captured carries the pawn-capture code part.
void put_promotions(int from, int to, MOVE capture) {
    for (int type : {TypeQueen, TypeRook, TypeBishop, TypeKnight}) {
        MOVE m = table_code(from, to, TypePawn) | MovePromotion |
                 MOVE(type - TypeKnight) << MovePromotionShift;
        if (type != TypeKnight) m = (m & ~MoveClassMask) | ClassPromotion;
        if (capture) m = (m & ~MoveClassMask) | capture;
        put(m);
    }
}

MOVE pawn_capture_part() {
    return MOVE(TypePawn) << MoveCapturedShift | ClassPawnCapture;
}

void build_pawn(int sq, int colour) {
    int rank = rank_of(sq), file = file_of(sq);
    int up = colour == White ? 1 : -1;
    int lastRank = colour == White ? 7 : 0;
    int fifthRank = colour == White ? 4 : 3;
    if (rank + up == lastRank)
        put_promotions(sq, sq + up, 0);
    else
        put(table_code(sq, sq + up, TypePawn));
    if (rank == (colour == White ? 1 : 6)) put(table_code(sq, sq + 2 * up, TypePawn));
    for (int side : {-8, 8}) {
        if ((side < 0 && file == 0) || (side > 0 && file == 7)) continue;
        int to = sq + side + up;
        MOVE capture = pawn_capture_part();
        if (rank + up == lastRank) {
            put_promotions(sq, to, capture);
            continue;
        }
        put((table_code(sq, to, TypePawn) & ~MoveClassMask) | capture);
        if (rank == fifthRank)
            put((table_code(sq, to, TypePawn) & ~MoveClassMask) | capture | MoveEnPassant);
    }
}

void build_king(int sq, int colour) {
    for (int d = 0; d < 8; ++d)
        if (StepsToEdge[sq * 16 + d]) put(table_code(sq, sq + Steps[d], TypeKing));
    if (colour == White && sq == SqE1) {
        put(table_code(sq, SqG1, TypeKing) | MoveCastling);
        put(table_code(sq, SqC1, TypeKing) | MoveCastling);
    } else if (colour == Black && sq == SqE8) {
        put(table_code(sq, SqG8, TypeKing) | MoveCastling);
        put(table_code(sq, SqC8, TypeKing) | MoveCastling);
    }
}

void build_slider(int sq, int kind, const int* rays, int rayCount) {
    int type = kind / 2 + 1;
    for (int r = 0; r < rayCount; ++r) {
        int d = rays[r];
        int n = StepsToEdge[sq * 16 + d];
        if (n == 0) {
            MoveTable[sq][kind][r] = pool_cursor - 1; // the 0 that ends the previous list
            continue;
        }
        MoveTable[sq][kind][r] = pool_cursor;
        for (int i = 1; i <= n; ++i) put(table_code(sq, sq + i * Steps[d], type));
        end_list();
    }
}

void build_list(int sq, int kind) {
    int type = kind / 2 + 1, colour = (kind & 1) ? Black : White;
    for (int r = 0; r < 8; ++r) MoveTable[sq][kind][r] = MovePool; // the leading 0
    switch (type) {
    case TypeBishop: build_slider(sq, kind, BishopRays, 4); return;
    case TypeRook: build_slider(sq, kind, RookRays, 4); return;
    case TypeQueen: build_slider(sq, kind, QueenRays, 8); return;
    default: break;
    }
    MoveTable[sq][kind][0] = pool_cursor;
    if (type == TypeKnight) {
        for (int d = 8; d < 16; ++d)
            if (StepsToEdge[sq * 16 + d]) put(table_code(sq, sq + Steps[d], TypeKnight));
    } else if (type == TypeKing) {
        build_king(sq, colour);
    } else if (rank_of(sq) != 0 && rank_of(sq) != 7) {
        build_pawn(sq, colour);
    }
    end_list();
}

int8_t clamp_delta(int v) {
    return int8_t(std::clamp(v, -128, 127));
}

} // namespace

void buildMoveTable() {
    pool_cursor = MovePool;
    end_list(); // every list start follows a 0
    for (int sq = 63; sq >= 0; --sq)
        for (int kind = KindCount - 1; kind >= 0; --kind) build_list(sq, kind);
    MovePoolUsed = int(pool_cursor - MovePool);
    buildMoveSquareDelta();
}

void buildMoveSquareDelta() {
    bool rootMiddlegame = PlyStates[0].phase == 0;
    std::fill(std::begin(MoveSquareDelta), std::end(MoveSquareDelta), int8_t(0));
    for (int from = 0; from < 64; ++from) {
        for (int kind = 0; kind < KindCount; ++kind) {
            int type = kind / 2 + 1;
            bool valued = rootMiddlegame || type == TypeKnight || type == TypePawn;
            for (int r = 0; r < 8; ++r) {
                for (const MOVE* p = MoveTable[from][kind][r]; p && *p; ++p) {
                    int to = move_to(*p);
                    int delta = 0;
                    if (type == TypeKing && (*p & MoveSpecialMask) == MoveCastling) {
                        int gain = file_of(to) == 6 ? 60 : 40;
                        delta = (kind & 1) ? -gain : gain;
                    } else if (valued) {
                        delta = Board[to].pieceSquare[kind] - Board[from].pieceSquare[kind];
                    }
                    MoveSquareDelta[(kind * 64 + from) * 64 + to] = clamp_delta(delta);
                }
            }
        }
    }
}
