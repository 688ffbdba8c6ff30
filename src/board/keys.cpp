#include "board/keys.h"

#include <algorithm>

#include "board/position.h"

KeyPair PieceSquareKeys[KindCount * 64];
KeyPair CastleSideKeys[162];
KeyPair EnPassantKeys[64];
KeyPair KeyVariants[2];
KeyPair KingWingKeys[81];
KeyPair PhaseQueenKeys[16];
uint8_t KeyVariant = 0;

namespace {

// Minimal standard generator (16807 mod 2^31 - 1, by Schrage's method) behind a 32-entry
// Bays-Durham shuffle: the same seed always yields the same key tables.
class KeyGenerator {
  public:
    explicit KeyGenerator(int32_t seed) : state_(seed) {}

    double next() {
        if (state_ <= 0 || previous_ == 0) {
            state_ = -state_ < 1 ? 1 : -state_;
            for (int j = TableSize + 7; j >= 0; --j) {
                advance();
                if (j < TableSize) table_[j] = state_;
            }
            previous_ = table_[0];
        }
        advance();
        int j = previous_ / Divisor;
        previous_ = table_[j];
        table_[j] = state_;
        double deviate = previous_ * 4.656612875245797e-10;
        return deviate > 0.99999988 ? 0.99999988 : deviate;
    }

  private:
    static constexpr int32_t Multiplier = 16807;
    static constexpr int32_t Modulus = 2147483647;
    static constexpr int32_t Quotient = 127773; // Modulus / Multiplier
    static constexpr int32_t Remainder = 2836;  // Modulus % Multiplier
    static constexpr int TableSize = 32;
    static constexpr int32_t Divisor = 1 + (Modulus - 1) / TableSize;

    void advance() {
        int32_t k = state_ / Quotient;
        state_ = Multiplier * (state_ - k * Quotient) - Remainder * k;
        if (state_ < 0) state_ += Modulus;
    }

    int32_t state_;
    int32_t previous_ = 0;
    int32_t table_[TableSize] = {};
};

bool draw_bit(KeyGenerator& g) {
    return float(g.next()) > 0.5f;
}

// 96 draws: key32 and key64 bits 0..31 alternately, then key64 bits 32..63.
KeyPair draw_key(KeyGenerator& g) {
    uint32_t k32 = 0;
    uint64_t k64 = 0;
    for (int i = 0; i < 32; ++i) {
        if (draw_bit(g)) k32 |= uint32_t(1) << i;
        if (draw_bit(g)) k64 |= uint64_t(1) << i;
    }
    for (int i = 32; i < 64; ++i)
        if (draw_bit(g)) k64 |= uint64_t(1) << i;
    return KeyPair{k32, k64};
}

void xor_into(KeyPair& k, const KeyPair& other) {
    k.key32 ^= other.key32;
    k.key64 ^= other.key64;
}

KeyPair complete_key(const SearchNode& node, const PlyState& s) {
    KeyPair k{s.key32, s.key64};
    xor_into(
        k, CastleSideKeys[SideToMove * 81 + s.castlingRights[White] * 9 + s.castlingRights[Black]]);
    if (node.EnPassantSquare != 0) xor_into(k, EnPassantKeys[node.EnPassantSquare]);
    if (KeyVariant) xor_into(k, KeyVariants[1]);
    return k;
}

} // namespace

void initKeys() {
    KeyGenerator g(int32_t(0x99E703B5u));
    for (KeyPair& k : PieceSquareKeys) k = draw_key(g);
    for (int black = 0; black < 9; ++black)
        for (int white = 0; white < 9; ++white)
            for (int side = 0; side < 2; ++side)
                CastleSideKeys[side * 81 + white * 9 + black] = draw_key(g);
    for (KeyPair& k : EnPassantKeys) k = draw_key(g);
    for (KeyPair& k : KeyVariants) k = draw_key(g);
    for (KeyPair& k : KingWingKeys) k = draw_key(g);
    for (KeyPair& k : PhaseQueenKeys) k = draw_key(g);
}

void recomputePieceKeys(PlyState& s) {
    s.key32 = s.key64 = s.pawnKey32 = s.pawnKey64 = 0;
    for (const PieceEntry& e : PieceList) {
        if (!e.letter) continue;
        s.key32 ^= e.key32;
        s.key64 ^= e.key64;
        if (e.letter == LetterPawn || e.letter == LetterKing) {
            s.pawnKey32 ^= e.key32;
            s.pawnKey64 ^= e.key64;
        }
    }
}

KeyPair nodeKey(SearchNode& node, bool recompute) {
    // Keys are made even without a transposition table: the repetition test compares them.
    if (recompute) recomputePieceKeys(*node.state);
    return complete_key(node, *node.state);
}

KeyPair fullKey(int reuse) {
    SearchNode& node =
        SearchPly > 0 ? SearchNodes[std::min(SearchPly + 1, MaxPly - 1)] : SearchNodes[0];
    return nodeKey(node, SearchPly == 0 || reuse == 0);
}

KeyPair pawnKingKey() {
    PlyState& s = PlyStates[SearchPly];
    if (SearchPly == 0) recomputePieceKeys(s);
    return pawnKingKeyOf(s);
}

KeyPair pawnKingKeyOf(const PlyState& s) {
    KeyPair k{s.pawnKey32, s.pawnKey64};
    if (s.phase == 0) xor_into(k, KingWingKeys[s.kingWing[White] * 9 + s.kingWing[Black]]);
    int index = (s.phase * 2 + (s.queenCount[White] == 0)) * 2 + (s.queenCount[Black] == 0);
    xor_into(k, PhaseQueenKeys[index]);
    return k;
}

uint32_t predictChildKey32(const SearchNode& node, MOVE m) {
    const PlyState& s = *node.state;
    const int opponent = 1 - SideToMove;
    uint64_t k = s.key32;
    if (m != NULL_MOVE) {
        const int from = move_from(m), to = move_to(m), special = move_special(m);
        const PieceEntry& mover = *Board[from].piece;
        const int arriving = special == MovePromotion
                                 ? piece_kind(move_promotion_type(m), mover.colour)
                                 : mover.kind;
        k ^= mover.key32 ^ PieceSquareKeys[arriving * 64 + to].key32;
        if (special == MoveEnPassant)
            k ^= Board[to - mover.sign].piece->key32;
        else if (move_captured(m) != 0)
            k ^= Board[to].piece->key32;
    }
    k ^=
        CastleSideKeys[opponent * 81 + s.castlingRights[White] * 9 + s.castlingRights[Black]].key32;
    if (KeyVariant) k ^= KeyVariants[1].key32;
    return uint32_t(k);
}
