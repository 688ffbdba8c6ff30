#include "board/notation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int cell(const char* square) {
    return 10 * (square[0] - 'a' + 1) + (square[1] - '1' + 1);
}

// An English-letter board with the given pieces, e.g. {"Ra1", "Rf1", "kh8"}: upper case white,
// lower case black.
struct BookBoard {
    int8_t cells[MailboxSize] = {};
    BookBoard(std::initializer_list<const char*> pieces) {
        for (const char* p : pieces) {
            int8_t letter = int8_t(p[0] >= 'a' ? p[0] - 'a' + 'A' : p[0]);
            cells[cell(p + 1)] = p[0] >= 'a' ? int8_t(-letter) : letter;
        }
    }
    std::string text(const char* from, const char* to, int kind = KindNormal, int promotion = 0) {
        char out[8];
        std::memset(out, 'x', sizeof out);
        int mover = cells[cell(from)];
        int captured = cells[cell(to)];
        bookNotation(cell(from), cell(to), promotion, captured < 0 ? -captured : captured, kind,
                     mover < 0 ? -mover : mover, out, cells);
        return out;
    }
};

} // namespace

TEST(Notation, LetterMappingBothWaysKeepsTheSign) {
    const char* english = "BKNPQR";
    const char* internal = "FRCPDT";
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(englishToInternal(int8_t(english[i])), internal[i]);
        EXPECT_EQ(englishToInternal(int8_t(english[i] + 32)), internal[i]); // lower case
        EXPECT_EQ(englishToInternal(int8_t(-english[i])), -internal[i]);
        EXPECT_EQ(internalToEnglish(int8_t(internal[i])), english[i]);
        EXPECT_EQ(internalToEnglish(int8_t(-internal[i])), -english[i]);
    }
    EXPECT_EQ(englishToInternal('X'), 'X');
    EXPECT_EQ(englishToInternal(0), 0);
    EXPECT_EQ(internalToEnglish('X'), 'X');
}

TEST(Notation, CastlingRightOperations) {
    struct Case {
        uint8_t before;
        int op;
        uint8_t after;
    } cases[] = {{0, 0, 1}, {2, 0, 3}, {0, 1, 2}, {1, 1, 3}, {3, 2, 2},
                 {3, 3, 1}, {3, 4, 0}, {3, 5, 4}, {0, 6, 8}, {3, 9, 3}};
    for (const Case& c : cases) {
        uint8_t rights = c.before;
        setCastlingRight(rights, c.op);
        EXPECT_EQ(rights, c.after) << "before " << int(c.before) << " op " << c.op;
    }
}

TEST(Notation, PieceMovesAndDisambiguation) {
    BookBoard rooksOnRank({"Ra1", "Rf1", "Kg2", "kh8"});
    EXPECT_EQ(rooksOnRank.text("f1", "d1"), "Rfd1");
    EXPECT_EQ(rooksOnRank.text("a1", "a5"), "Ra5"); // only one rook reaches a5

    BookBoard rooksOnFile({"Ra1", "Ra5", "Kg2", "kh8"});
    EXPECT_EQ(rooksOnFile.text("a1", "a3"), "R1a3");

    // A rook of the other colour or a blocked rook does not count.
    BookBoard blocked({"Ra1", "Rf1", "Ne1", "ra8", "Kg2", "kh8"});
    EXPECT_EQ(blocked.text("a1", "d1"), "Rd1");

    BookBoard knights({"Nb1", "Nf3", "Ke1", "ke8", "pd2"});
    EXPECT_EQ(knights.text("b1", "d2"), "Nbxd2");
    BookBoard knightsOnFile({"Nb1", "Nb3", "Ke1", "ke8"});
    EXPECT_EQ(knightsOnFile.text("b3", "d2"), "N3d2");

    BookBoard queenTakes({"Qd1", "Ke1", "ke8", "bd7"});
    EXPECT_EQ(queenTakes.text("d1", "d7"), "Qxd7");
}

TEST(Notation, PawnMovesCapturesAndPromotions) {
    BookBoard b({"Pe4", "pd5", "Pe5", "Pe7", "Pd7", "re8", "Kg1", "kh8", "nf5", "Pg4"});
    EXPECT_EQ(b.text("e4", "d5"), "ed");                // pawn takes pawn: two file letters
    EXPECT_EQ(b.text("g4", "f5"), "gxf5");              // pawn takes a piece
    EXPECT_EQ(b.text("e5", "d6", KindEnPassant), "d6"); // the to-cell is empty
    EXPECT_EQ(b.text("g4", "g5"), "g5");
    BookBoard promo({"Pe7", "Pd7", "re8", "Kg1", "kh8"});
    BookBoard quietPromo({"Pe7", "Kg1", "kh8"});
    EXPECT_EQ(quietPromo.text("e7", "e8", KindPromotion, 'Q'), "e8=Q");
    EXPECT_EQ(promo.text("d7", "e8", KindPromotion, 'N'), "dxe8=N");
}

TEST(Notation, Castling) {
    BookBoard b({"Ke1", "Ra1", "Rh1", "ke8", "ra8", "rh8"});
    EXPECT_EQ(b.text("e1", "g1", KindCastling), "o-o");
    EXPECT_EQ(b.text("e1", "c1", KindCastling), "o-o-o");
    EXPECT_EQ(b.text("e8", "g8", KindCastling), "o-o");
    EXPECT_EQ(b.text("e8", "c8", KindCastling), "o-o-o");
}

TEST(Notation, StandardStartMailbox) {
    int8_t board[MailboxSize];
    standardStartMailbox(board);
    EXPECT_EQ(board[cell("e1")], 'R');
    EXPECT_EQ(board[cell("d1")], 'D');
    EXPECT_EQ(board[cell("b1")], 'C');
    EXPECT_EQ(board[cell("h8")], -'T');
    EXPECT_EQ(board[cell("c7")], -'P');
    EXPECT_EQ(board[cell("e4")], 0);
    EXPECT_EQ(board[0], 0);
    EXPECT_EQ(board[19], 0);
}
