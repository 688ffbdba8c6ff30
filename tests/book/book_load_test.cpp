#include "book/book.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "book/book_files.h"
#include "core/settings.h"

namespace {

// An English-letter mailbox from the placement field of a FEN (white upper case, black lower).
std::vector<int8_t> board_from(const char* placement) {
    std::vector<int8_t> board(89, 0);
    int file = 1, rank = 8;
    for (const char* p = placement; *p; ++p) {
        if (*p == '/') {
            --rank;
            file = 1;
        } else if (*p >= '1' && *p <= '8') {
            file += *p - '0';
        } else {
            const bool black = *p >= 'a' && *p <= 'z';
            const int8_t letter = int8_t(black ? *p - 'a' + 'A' : *p);
            board[10 * file + rank] = black ? int8_t(-letter) : letter;
            ++file;
        }
    }
    return board;
}

const char* StartPlacement = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";

class BookLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        uci_mode = 1;
        console_mode = 0;
        own_book_option = 1;
    }
    BookFiles files;
};

TEST_F(BookLoad, NormalisesTheTextAndParsesEachPly) {
    EXPECT_EQ(files.load("1. e4 e5 2. Nf3 *\r\n"), "info 1 opening games loaded\n");
    EXPECT_EQ(loaded_text(), "e4 (30) e5 (30) Nf3 (30) * (30) \r\n");
    ASSERT_EQ(book_game_count, 1);
    const int cells[3][2] = {{52, 54}, {57, 55}, {71, 63}};
    for (int p = 1; p <= 3; ++p) {
        const BookMove& e = book_entry(1, p);
        EXPECT_EQ(e.ply, p);
        EXPECT_EQ(e.from, cells[p - 1][0]) << p;
        EXPECT_EQ(e.to, cells[p - 1][1]) << p;
        EXPECT_EQ(e.weight, 30) << p;
    }
    // The result token is a fourth ply that resolves to no move.
    EXPECT_EQ(book_entry(1, 4).from, 0);
    // Signatures: to^2 - from^2 summed per colour, modulo 2^16.
    EXPECT_EQ(book_entry(1, 1).whiteSignature, 54 * 54 - 52 * 52);
    EXPECT_EQ(book_entry(1, 2).blackSignature, uint16_t(55 * 55 - 57 * 57));
    EXPECT_EQ(book_entry(1, 3).whiteSignature, uint16_t(54 * 54 - 52 * 52 + 63 * 63 - 71 * 71));
    EXPECT_EQ(book_entry(1, 3).blackSignature, uint16_t(55 * 55 - 57 * 57));
}

TEST_F(BookLoad, TextNormalisationCases) {
    const struct {
        const char* input;
        const char* text;
    } cases[] = {
        // Move numbers in every spelling go, separators collapse, a line per four plies.
        {"1.e4 e5 2.Nf3 Nc6 3.Bb5 a6\n\n",
         "e4 (30) e5 (30) Nf3 (30) Nc6 (30) \r\nBb5 (30) a6 (30) "},
        {"1. e4  e5\r\n\r\n2. Nf3 *\r\n", "e4 (30) e5 (30) Nf3 (30) * (30) \r\n"},
        {"12...Nf6 Nc3 ", "Nf6 (30) Nc3 "},
        // Weights written in the file stay as written.
        {"e4 (45) e5 (07) Nf3 (99) Nc6 (00)\nBb5\n ",
         "e4 (45) e5 (07) Nf3 (99) Nc6 (00)\r\nBb5 (30) "},
        // Tags start lines and end with a line break; comments are copied.
        {"[Event \"x\"] [Site \"y\"]\n1. e4 {best by test} e5 ",
         "[Event \"x\"]\r\n[Site \"y\"]\r\ne4 {best by test}(30) e5 "},
        // The last move of a game followed by a tag gets no weight and is not parsed.
        {"e4 e5 [Event \"next\"]\ne4 ", "e4 (30) e5\r\n[Event \"next\"]\r\ne4 "},
        // Stray marks go, marks on moves stay.
        {"@ e4@ @e5 ", "e4@ (30) e5 "},
    };
    for (const auto& c : cases) {
        files.load(c.input);
        EXPECT_EQ(loaded_text(), c.text) << c.input;
    }
}

TEST_F(BookLoad, WeightsAreTheTwoCharactersBeforeTheClosingParenthesis) {
    files.load("e4 (45) e5 (07) Nf3 (5) Nc6 (-5) ");
    EXPECT_EQ(book_entry(1, 1).weight, 45);
    EXPECT_EQ(book_entry(1, 2).weight, 7);
    EXPECT_EQ(book_entry(1, 3).weight, 0); // "(5": the parenthesis and the 5
    EXPECT_EQ(book_entry(1, 4).weight, 0); // a sign never makes a weight
}

TEST_F(BookLoad, AMoveIsParsedWhenTheByteAfterItsSeparatorArrives) {
    files.load("e4 e5");
    EXPECT_NE(book_entry(1, 1).from, 0);
    EXPECT_EQ(book_entry(1, 2).from, 0);
    files.load("e4 e5 ");
    EXPECT_EQ(book_entry(1, 2).from, 0);
    files.load("e4 e5  x");
    EXPECT_EQ(book_entry(1, 2).to, 55);
}

TEST_F(BookLoad, GamesStartAtTheFirstTagAfterMoves) {
    files.load("[Event \"a\"]\n[Site \"b\"]\n1. e4 e5 *\n[Event \"c\"]\n1. d4 d5 *\n");
    EXPECT_EQ(book_game_count, 2);
    EXPECT_EQ(book_entry(1, 1).to, 54);
    EXPECT_EQ(book_entry(2, 1).to, 44);
    EXPECT_EQ(book_entry(2, 2).to, 45);
    // Moves before any tag make a first game of their own.
    files.load("1. c4 *\n[Event \"a\"]\n1. d4 *\n");
    EXPECT_EQ(book_game_count, 2);
    EXPECT_EQ(book_entry(1, 1).to, 34);
}

TEST_F(BookLoad, OnlyTheFirstFiftyPliesAreKept) {
    std::string game = "[Event \"shuffle\"]\n";
    for (int i = 0; i < 16; ++i) game += "Nf3 Nf6 Ng1 Ng8 ";
    files.load(game + "\n");
    for (int p = 1; p <= 50; ++p) EXPECT_NE(book_entry(1, p).from, 0) << p;
    EXPECT_EQ(book_entry(1, 51).from, 0);
}

TEST_F(BookLoad, WithoutParseAllOnlyMovesWithoutAWeightAreParsed) {
    files.load("e4 (45) e5 Nf3 (30) Nc6 x", 0);
    EXPECT_EQ(book_entry(1, 1).from, 0);
    EXPECT_EQ(book_entry(1, 2).to, 55);
    EXPECT_EQ(book_entry(1, 3).from, 0);
    EXPECT_EQ(book_entry(1, 4).to, 36);
}

TEST_F(BookLoad, TheMoveTableGrowsAHundredGamesAtATime) {
    std::string text;
    for (int i = 0; i < 250; ++i) text += "[Game]\n1. e4 c5 *\n";
    files.load(text);
    EXPECT_EQ(book_game_count, 250);
    EXPECT_EQ(book_capacity, 300);
    EXPECT_EQ(book_entry(250, 2).to, 35);
}

TEST_F(BookLoad, MissingAndEmptyFiles) {
    testing::internal::CaptureStdout();
    load_book(1);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(output.rfind("info string Erreur P_456 : Disque - Pas de bibliothèque d'ouverture ! "
                           "en : ",
                           0),
              0u)
        << output;
    EXPECT_NE(output.find("\n\ninfo 0 opening games loaded\n"), std::string::npos) << output;
    EXPECT_EQ(own_book_option, 0);
    EXPECT_EQ(book_text_length, 0);

    EXPECT_EQ(files.load(""), "");
    EXPECT_EQ(book_text, nullptr);
    EXPECT_EQ(book_game_count, 0);
}

// A game of one ply parsed on a given board.
struct ParseCase {
    const char* placement;
    int ply; // odd: White moves
    const char* token;
    int from, to, kind, promotion;
};

TEST_F(BookLoad, TokenForms) {
    const char* Pawns = "4k3/8/8/3p4/4P3/8/8/4K3";
    const char* WhiteEnPassant = "4k3/8/8/3pP3/8/8/8/4K3";
    const char* BlackEnPassant = "4k3/8/8/8/3pP3/8/8/4K3";
    const char* Knights = "4k3/8/8/8/8/5N2/8/1N2K3";
    const char* Rooks = "4k3/8/8/4R3/8/8/8/K3R3";
    const char* Queens = "4k3/8/8/8/7Q/8/8/K6Q";
    const char* Promotion = "4r3/3P4/8/8/8/8/k7/4K3";
    const char* Castles = "r3k2r/8/8/8/8/8/8/R3K2R";
    const char* PawnOrBishop = "4k3/8/8/2n5/1P6/4B3/8/4K3";
    const char* BishopOnly = "4k3/8/8/8/1P6/4B3/8/4K3";
    const ParseCase cases[] = {
        {StartPlacement, 1, "e4", 52, 54, 0, 0},
        {StartPlacement, 1, "e3", 52, 53, 0, 0},
        {StartPlacement, 2, "e5", 57, 55, 0, 0},
        {StartPlacement, 1, "Nf3", 71, 63, 0, 0},
        {StartPlacement, 1, "nf3+", 71, 63, 0, 0},
        {StartPlacement, 1, "Nf3@", 71, 63, 0, 0},
        {Pawns, 1, "ed", 54, 45, 0, 0},
        {Pawns, 1, "ed5", 54, 45, 0, 0},
        {Pawns, 1, "exd5", 54, 45, 0, 0},
        {Pawns, 1, "e4xd5+", 0, 0, 0, 0},
        {WhiteEnPassant, 1, "ed", 55, 46, 2, 0},
        {WhiteEnPassant, 1, "exd6", 55, 46, 2, 0},
        {BlackEnPassant, 2, "de", 44, 53, 2, 0},
        {BlackEnPassant, 2, "dxe3", 44, 53, 2, 0},
        {Knights, 1, "Nbd2", 21, 42, 0, 0},
        {Knights, 1, "Nfd2", 63, 42, 0, 0},
        {Knights, 1, "Nd2", 63, 42, 0, 0}, // the first found looking out from d2
        {Rooks, 1, "R1e2", 51, 52, 0, 0},
        {Rooks, 1, "R5e2", 55, 52, 0, 0},
        {Rooks, 1, "Re2", 51, 52, 0, 0},
        {Queens, 1, "Qh4e1", 84, 51, 0, 0},
        {Queens, 1, "Qh1e1", 81, 51, 0, 0},
        {Queens, 1, "Qe1", 84, 51, 0, 0},
        {Promotion, 1, "e8=Q", 0, 0, 0, 0}, // e8 is taken
        {"4k3/4P3/8/8/8/8/8/K7", 1, "e8=Q", 0, 0, 0, 0},
        {"8/4P3/8/8/8/8/k7/4K3", 1, "e8=Q", 57, 58, 3, 'D'},
        {"8/4P3/8/8/8/8/k7/4K3", 1, "e8=n", 57, 58, 3, 'C'},
        {"8/4P3/8/8/8/8/k7/4K3", 1, "e8", 57, 58, 0, 0},
        {Promotion, 1, "de8=Q", 47, 58, 3, 'D'},
        {Promotion, 1, "dxe8=N+", 47, 58, 3, 'C'},
        {Castles, 1, "O-O", 51, 71, 1, 0},
        {Castles, 1, "O-O-O", 51, 31, 1, 0},
        {Castles, 2, "o-o", 58, 78, 1, 0},
        {Castles, 2, "O-O-O", 58, 38, 1, 0},
        {"r3k2r/8/8/8/8/8/8/R3K1NR", 1, "O-O", 0, 0, 0, 0},
        // bc5 is a pawn capture when a b-pawn can take on c5, else a bishop move; Bc5 is always
        // a bishop move.
        {PawnOrBishop, 1, "bc5", 24, 35, 0, 0},
        {PawnOrBishop, 1, "Bc5", 53, 35, 0, 0},
        {BishopOnly, 1, "bc5", 53, 35, 0, 0},
        // Tokens that resolve to nothing.
        {StartPlacement, 1, "e5", 0, 0, 0, 0},
        {StartPlacement, 1, "Nf6", 0, 0, 0, 0},
        {StartPlacement, 1, "Ne2", 0, 0, 0, 0}, // own pawn there
        {StartPlacement, 1, "*", 0, 0, 0, 0},
        {StartPlacement, 1, "1-0", 0, 0, 0, 0},
        {StartPlacement, 1, "e9", 0, 0, 0, 0},
        {StartPlacement, 1, "Pe4", 0, 0, 0, 0},
        {StartPlacement, 1, "O-O", 0, 0, 0, 0},
        {StartPlacement, 1, "", 0, 0, 0, 0},
        // Black pushes onto the eighth rank have no cells behind them on the board.
        {"4k3/8/8/8/8/8/8/4K3", 2, "h8", 0, 0, 0, 0},
        {"4k3/8/8/8/8/8/8/4K3", 2, "h7", 0, 0, 0, 0},
        // A mate sign, as the game record writes it.
        {"4k3/8/8/8/8/8/8/R3K3", 1, "Ra8#", 11, 18, 0, 0},
    };
    for (const ParseCase& c : cases) {
        book_game_count = 1;
        std::vector<int8_t> board = board_from(c.placement);
        const std::vector<int8_t> before = board;
        parse_book_move(c.ply, c.token, 42, board.data());
        const BookMove& e = book_entry(1, c.ply);
        EXPECT_EQ(e.from, c.from) << c.placement << " " << c.token;
        EXPECT_EQ(e.to, c.to) << c.token;
        EXPECT_EQ(e.kind, c.kind) << c.token;
        EXPECT_EQ(e.promotion, c.promotion) << c.token;
        EXPECT_EQ(e.mark, std::strchr(c.token, '@') ? 1 : 0) << c.token;
        if (c.from == 0) {
            EXPECT_EQ(board, before) << "an unresolved move leaves the board alone: " << c.token;
            continue;
        }
        EXPECT_EQ(e.weight, 42);
        // The move is played on the board.
        EXPECT_EQ(board[c.from], 0) << c.token;
        EXPECT_EQ(board[c.to] * (c.ply % 2 ? 1 : -1) > 0, true) << c.token;
    }
}

TEST_F(BookLoad, MovesPlayedOnTheParseBoard) {
    book_game_count = 1;
    std::vector<int8_t> board = board_from("4k3/8/8/3pP3/8/8/8/4K3");
    parse_book_move(1, "ed6", 30, board.data());
    EXPECT_EQ(board, board_from("4k3/8/3P4/8/8/8/8/4K3")) << "the passed pawn is taken";

    board = board_from("r3k2r/8/8/8/8/8/8/R3K2R");
    parse_book_move(1, "O-O-O", 30, board.data());
    parse_book_move(2, "O-O", 30, board.data());
    EXPECT_EQ(board, board_from("r4rk1/8/8/8/8/8/8/2KR3R"));

    board = board_from("4r3/3P4/8/8/8/8/k7/4K3");
    parse_book_move(1, "de8=N", 30, board.data());
    EXPECT_EQ(board, board_from("4N3/8/8/8/8/8/k7/4K3"));
}

} // namespace
