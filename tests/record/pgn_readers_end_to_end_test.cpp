// Records of console games read by another program's PGN reader (Debian's pgn-extract) and by
// the engine's own book loader: both must read every move, the header and the result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "board/notation.h"
#include "book/book.h"
#include "console/console_game.h"
#include "support/temp_files.h"

namespace {

const char* const PgnExtract = "/usr/games/pgn-extract";

// The moves of a record as pgn-extract reads them (e2e4 ...), its tags and result in "tags";
// false with the complaint in "complaint" when it has any.
bool pgn_extract_reads(const std::string& path, std::vector<std::string>& moves, std::string& tags,
                       std::string& complaint) {
    const std::string out = path + ".uci", err = path + ".err";
    const std::string command =
        std::string(PgnExtract) + " -s -Wuci -o '" + out + "' '" + path + "' 2> '" + err + "'";
    const int status = std::system(command.c_str());
    complaint = read_file(err);
    const std::string text = read_file(out);
    std::remove(out.c_str());
    std::remove(err.c_str());
    if (status != 0 || !complaint.empty()) return false;
    const size_t body = text.find("\n\n");
    tags = text.substr(0, body == std::string::npos ? 0 : body + 1);
    std::istringstream words(body == std::string::npos ? "" : text.substr(body + 2));
    for (std::string w; words >> w;) moves.push_back(w);
    return true;
}

// The moves of the record as the engine's book loader reads it (the record read as a book).
std::vector<std::string> book_loader_reads(const std::string& path) {
    install_book_settings();
    book_file_name = path.c_str();
    testing::internal::CaptureStdout();
    load_book(1);
    testing::internal::GetCapturedStdout();
    std::vector<std::string> moves;
    for (int p = 1; book_game_count >= 1 && p <= BookGamePlies; ++p) {
        const BookMove& e = book_moves[size_t(p - 1)];
        if (e.from == 0) break;
        std::string m;
        m += char('a' + e.from / 10 - 1);
        m += char('0' + e.from % 10);
        m += char('a' + e.to / 10 - 1);
        m += char('0' + e.to % 10);
        if (e.kind == KindPromotion) m += char(internalToEnglish(int8_t(e.promotion)) - 'A' + 'a');
        moves.push_back(m);
    }
    release_book();
    book_file_name = "pellan.txt";
    return moves;
}

TEST(PgnReaders, ReadConsoleGamesWholeWithTheirHeaderAndResult) {
    if (access(PgnExtract, X_OK) != 0)
        FAIL() << PgnExtract << " is missing: apt-get install pgn-extract";
    // A position set up for the last game: Black to move, mated on the back rank next move.
    const std::string backRank = position_file({"......k.", ".....ppp", "........", "p.......",
                                                "........", "........", "........", "....R.K."});
    const struct {
        const char* name;
        std::string keys;
        std::vector<std::string> moves; // the moves, in UCI text ("" for the engine's choice)
        const char* white;
        const char* black;
        const char* result;
        const char* fen; // the start position when it is not the standard one
    } games[] = {
        // Played in control mode (captures written ed, dc, bc and cxb5, Nbd7 written N8d7,
        // castling) and resigned.
        {"resigned",
         accept_defaults("5", "c") + "e2e4\rd7d5\re4d5\rg8f6\rg1f3\rb8d7\rf1b5\rc7c6\rd5c6\r"
                                     "b7c6\re1g1\rc6b5\rd2d4\rBR\ry\r\r",
         {"e2e4", "d7d5", "e4d5", "g8f6", "g1f3", "b8d7", "f1b5", "c7c6", "d5c6", "b7c6", "e1g1",
          "c6b5", "d2d4"},
         "Human",
         "Human",
         "1-0",
         nullptr},
        {"mated",
         accept_defaults("5", "c") + "f2f3\re7e5\rg2g4\rd8h4\r\r\r",
         {"f2f3", "e7e5", "g2g4", "d8h4"},
         "Human",
         "Human",
         "0-1",
         nullptr},
        {"repeated",
         accept_defaults("5", "c") + "g1f3\rg8f6\rf3g1\rf6g8\rg1f3\rg8f6\rf3g1\rf6g8\r\r\r",
         {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"},
         "Human",
         "Human",
         "1/2-1/2",
         nullptr},
        // The engine plays Black (its move is its own) and White resigns.
        {"engine",
         accept_defaults("1", "b") + "e2e4\rWR\ry\r\r",
         {"e2e4", ""},
         "Human",
         "Talvor",
         "0-1",
         nullptr},
        // From a set-up position, Black first: the record's SetUp and FEN tags.
        {"set-up",
         "\rn1\r1\r0\r0\r0\rnnnnnbnnnnback\rncnnya5a4\re1e8\r\r\r",
         {"a5a4", "e1e8"},
         "Human",
         "Human",
         "1-0",
         "6k1/5ppp/8/p7/8/8/8/4R1K1 b - - 0 1"},
    };
    for (const auto& g : games) {
        ConsoleGame game(false);
        game.write("back.pos", backRank);
        ASSERT_EQ(game.play(g.keys), 0) << g.name << game.screen;
        const std::string path = game.directory + "Chess.pgn";
        const std::string record = read_file(path);
        EXPECT_EQ(record.rfind(record_header(g.white, g.black, g.result, int(g.moves.size())), 0),
                  0u)
            << g.name << "\n"
            << record;

        std::vector<std::string> moves;
        std::string tags, complaint;
        ASSERT_TRUE(pgn_extract_reads(path, moves, tags, complaint))
            << g.name << ": " << complaint << "\n"
            << record;
        ASSERT_EQ(moves.size(), g.moves.size() + 1) << g.name << "\n" << record;
        for (size_t i = 0; i < g.moves.size(); ++i) {
            if (g.moves[i].empty()) continue; // the engine's move
            EXPECT_EQ(moves[i], g.moves[i]) << g.name << " " << i;
        }
        EXPECT_EQ(moves.back(), g.result) << g.name << "\n" << record;
        std::vector<std::string> tagsWanted = {
            "[White \"" + std::string(g.white) + "\"]", "[Black \"" + std::string(g.black) + "\"]",
            "[Result \"" + std::string(g.result) + "\"]", "[Date \"20"};
        if (g.fen != nullptr) {
            tagsWanted.push_back("[SetUp \"1\"]");
            tagsWanted.push_back("[FEN \"" + std::string(g.fen) + "\"]");
        }
        for (const std::string& tag : tagsWanted)
            EXPECT_NE(tags.find(tag), std::string::npos) << g.name << " " << tag << "\n" << tags;

        // The book loader plays every game from the standard position: it reads those only.
        if (g.fen == nullptr) {
            moves.pop_back();
            EXPECT_EQ(book_loader_reads(path), moves) << g.name << "\n" << record;
        }
    }
}

} // namespace
