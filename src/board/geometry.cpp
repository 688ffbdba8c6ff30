#include "board/geometry.h"

#include <algorithm>
#include <cstdlib>

const int8_t Steps[16] = {1, 9, 8, 7, -1, -9, -8, -7, 10, 17, 15, 6, -10, -17, -15, -6};

uint8_t DirectionIndex[35];
uint8_t StepsToEdge[64 * 16];
int8_t DirectionStep[64 * 64];
uint8_t DirectionNumber[64 * 64];
uint8_t StepCount[64 * 64];
Bitboard RayMask[64 * 8];
Bitboard RayTruncate[64 * 8];
Bitboard KnightAttacks[64];
Bitboard KingAttacks[64];
Bitboard BishopLines[64];
Bitboard RookLines[64];
Bitboard QueenLines[64];
Bitboard CheckSquares[64];
Bitboard PawnAttacks[2 * 64];
Bitboard PawnReach[2 * 64];
Bitboard PassedMask[2 * 64];
Bitboard SecondRank;
Bitboard SeventhRank;
uint8_t BitScanTable[64];

namespace {

// The same steps on the 10-wide mailbox (cells 11..88), where leaving the board is visible.
constexpr int MailboxSteps[16] = {1, 11, 10, 9, -1, -11, -10, -9, 12, 21, 19, 8, -12, -21, -19, -8};

bool on_mailbox(int cell) {
    return cell >= 11 && cell <= 88 && cell % 10 != 0 && cell % 10 != 9;
}

// Squares reached from sq by repeating direction d (or once, when single is set).
Bitboard walk(int sq, int d, bool single) {
    Bitboard b = 0;
    for (int cell = mailbox_cell(sq) + MailboxSteps[d]; on_mailbox(cell); cell += MailboxSteps[d]) {
        b |= square_bit(mailbox_square(cell));
        if (single) break;
    }
    return b;
}

int count_steps(int sq, int d) {
    int n = 0;
    for (int cell = mailbox_cell(sq) + MailboxSteps[d]; on_mailbox(cell); cell += MailboxSteps[d])
        ++n;
    return n;
}

void init_directions() {
    for (int i = 0; i < 35; ++i) DirectionIndex[i] = NoDirection;
    for (int d = 0; d < 16; ++d) DirectionIndex[Steps[d] + 17] = uint8_t(d);
    for (int from = 0; from < 64; ++from) {
        for (int to = 0; to < 64; ++to) {
            int df = file_of(to) - file_of(from), dr = rank_of(to) - rank_of(from);
            int distance = std::max(std::abs(df), std::abs(dr));
            int step = NotAligned;
            if (from == to)
                step = 0;
            else if (df == 0 || dr == 0 || std::abs(df) == std::abs(dr))
                step = (to - from) / distance;
            else if (std::abs(df) * std::abs(dr) == 2)
                step = to - from;
            DirectionStep[from * 64 + to] = int8_t(step);
            DirectionNumber[from * 64 + to] =
                (step == 0 || step == NotAligned) ? NoDirection : DirectionIndex[step + 17];
            StepCount[from * 64 + to] = uint8_t(distance);
        }
    }
}

} // namespace

void initGeometry() {
    init_directions();
    for (int sq = 0; sq < 64; ++sq) {
        KnightAttacks[sq] = KingAttacks[sq] = BishopLines[sq] = RookLines[sq] = 0;
        for (int d = 0; d < 16; ++d) {
            StepsToEdge[sq * 16 + d] =
                uint8_t(d < 8 ? count_steps(sq, d) : (walk(sq, d, true) != 0));
            if (d >= 8) {
                KnightAttacks[sq] |= walk(sq, d, true);
                continue;
            }
            RayMask[sq * 8 + d] = walk(sq, d, false);
            RayTruncate[sq * 8 + d] = ~RayMask[sq * 8 + d];
            KingAttacks[sq] |= walk(sq, d, true);
            if (d & 1)
                BishopLines[sq] |= RayMask[sq * 8 + d];
            else
                RookLines[sq] |= RayMask[sq * 8 + d];
        }
        QueenLines[sq] = BishopLines[sq] | RookLines[sq];
        CheckSquares[sq] = QueenLines[sq] | KnightAttacks[sq];

        // From where a pawn of each colour attacks sq; the shifts are not file-tested.
        PawnAttacks[White * 64 + sq] =
            (sq - 9 >= 0 ? square_bit(sq - 9) : 0) | (sq + 7 < 64 ? square_bit(sq + 7) : 0);
        PawnAttacks[Black * 64 + sq] =
            (sq + 9 < 64 ? square_bit(sq + 9) : 0) | (sq - 7 >= 0 ? square_bit(sq - 7) : 0);

        int file = file_of(sq), rank = rank_of(sq);
        for (int colour = 0; colour < 2; ++colour) {
            Bitboard reach = 0;
            if (rank >= 1 && rank <= 6) {
                int up = colour == White ? 1 : -1;
                reach |= square_bit(sq + up);
                if (rank == (colour == White ? 1 : 6)) reach |= square_bit(sq + 2 * up);
                if (file > 0) reach |= square_bit(sq - 8 + up);
                if (file < 7) reach |= square_bit(sq + 8 + up);
            }
            PawnReach[colour * 64 + sq] = reach;

            Bitboard passed = 0;
            for (int f = std::max(file - 1, 0); f <= std::min(file + 1, 7); ++f)
                for (int r = 0; r < 8; ++r)
                    if (colour == White ? r > rank : r < rank)
                        passed |= square_bit(make_square(f, r));
            PassedMask[colour * 64 + sq] = passed;
        }
    }
    SecondRank = SeventhRank = 0;
    for (int f = 0; f < 8; ++f) {
        SecondRank |= square_bit(make_square(f, 1));
        SeventhRank |= square_bit(make_square(f, 6));
    }
    for (int i = 0; i < 64; ++i)
        BitScanTable[((square_bit(i)) * BitScanMultiplier) >> 58] = uint8_t(i);
}

Bitboard sliderAttacks(int letter, int sq, Bitboard occupancy) {
    // Odd directions are the diagonals.
    Bitboard attacks = 0;
    if (letter != LetterRook)
        for (int d = 1; d < 8; d += 2) attacks |= ray_attacks(sq, d, occupancy);
    if (letter != LetterBishop)
        for (int d = 0; d < 8; d += 2) attacks |= ray_attacks(sq, d, occupancy);
    return attacks;
}

Bitboard pieceAttacks(int letter, int colour, int sq, Bitboard occupancy) {
    switch (letter) {
    case LetterKnight: return KnightAttacks[sq];
    case LetterKing: return KingAttacks[sq];
    case LetterPawn: return pawnAttackSet(square_bit(sq), colour);
    default: return sliderAttacks(letter, sq, occupancy);
    }
}
