#include "eval/eval_helpers.h"

#include "board/position.h"

int8_t root_side = 1;
uint8_t root_king_distance = 0;

namespace {

// Every sum of the evaluation is kept in 16 bits: wrap before any shift, division or comparison.
constexpr int16_t w16(int x) {
    return static_cast<int16_t>(x);
}

int king_rank_value(int colour, int rank) {
    static constexpr int8_t WhiteRank[8] = {-10, 0, 10, 20, 30, 50, 30, 0};
    static constexpr int8_t BlackRank[8] = {0, -30, -50, -30, -20, -10, 0, 10};
    return colour == White ? WhiteRank[rank] : BlackRank[rank];
}

int king_file_value(int colour, int file) {
    static constexpr int8_t FileValue[8] = {0, 5, 10, 15, 15, 10, 5, 0};
    return colour == White ? FileValue[file] : -FileValue[file];
}

// Edge distance figures of a king: |2 file - 7| and |2 rank - 7| as (hi, lo).
void edge_figures(int square, int& hi, int& lo) {
    int e1 = abs_of(2 * file_of(square) - 7), e2 = abs_of(2 * rank_of(square) - 7);
    hi = e1 > e2 ? e1 : e2;
    lo = e1 > e2 ? e2 : e1;
}

} // namespace

bool opposite_coloured_bishops(const PlyState& st) {
    return st.bishopCount[Black] == 1 && st.bishopCount[White] == 1 && st.knightCount[Black] == 0 &&
           st.knightCount[White] == 0 &&
           st.bishopSquareColour[White][0] != st.bishopSquareColour[Black][0];
}

int16_t pull_towards_draw(int16_t score) {
    int half = abs_of(score) >> 1;
    int sgn = score > 0 ? 1 : -1;
    return w16(score - sgn * (half < 100 ? half : 100));
}

int16_t king_activity(SearchNode& node) {
    const PlyState& st = *node.state;
    if (st.phase == 0) return 0;
    if (st.pawnCount[Black] + st.pawnCount[White] > 0) {
        return w16(king_rank_value(White, st.kingRank[White]) +
                   king_rank_value(Black, st.kingRank[Black]) +
                   king_file_value(White, st.kingFile[White]) +
                   king_file_value(Black, st.kingFile[Black]));
    }
    if (st.material == 0) return 0;
    int strong = st.material > 0 ? White : Black;
    int sg = colour_sign(strong);
    int dist = square_distance(st.kingSquare[White], st.kingSquare[Black]);
    int sHi, sLo, wHi, wLo;
    edge_figures(st.kingSquare[strong], sHi, sLo);
    edge_figures(st.kingSquare[1 - strong], wHi, wLo);
    int edge = sHi < wHi ? 2 * (4 * wHi + wLo) : 2 * wHi + wLo - 2 * sLo - 4 * sHi;
    return w16(sg * (edge - 2 * dist - root_king_distance));
}
