// The game record: notation of single moves, the whole game and the running writer, move
// numbers, results, failures to write, and random games whose every move text is read back by a
// resolver of this test's own.
#include "record/game_record.h"

#include "board/notation.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "book/book.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "uci/dispatcher.h"

#include <gtest/gtest.h>

#include "board/fen_fixture.h"
#include "support/temp_files.h"
#include "uci/dispatch_line.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The header's first eight lines, with the record's date and players.
std::string header(const std::string& result) {
    return "[Event \"Casual game\"]\n[Site \"?\"]\n[Date \"" + std::string(game_date) +
           "\"]\n[Round \"\"]\n[White \"" + game_white_player + "\"]\n[Black \"" +
           game_black_player + "\"]\n[Result \"" + result + "\"]\n[ECO \"\"]\n";
}

std::string tempPath(const char* leaf) {
    return temp_path("talvor_pgn_", leaf);
}

// What follows the header: the empty line and the moves.
std::string moveTextOf(const std::string& file) {
    const size_t at = file.find("]\n\n");
    return at == std::string::npos ? std::string() : file.substr(at + 2);
}

class GameRecord : public ::testing::Test {
  protected:
    void SetUp() override {
        init_engine_tables_once();
        reset_dispatcher_state();
        reset_game_record();
        uci_mode = 1;
        console_mode = 0;
        use_book = own_book_option = saved_use_book = 1;
        run("isready");
    }
    void TearDown() override {
        reset_game_record();
        standard_start = white_to_move_at_start = 1; // as a FEN set-up may have left them
        for (const std::string& path : written) std::remove(path.c_str());
    }

    static std::string run(const std::string& line) { return dispatch_line(line); }

    // Writes the game whole into a temporary file and returns the file.
    std::string writeWhole() {
        const std::string path = keep(tempPath("whole.pgn"));
        game_file_handle = write_game_record(game_file_handle, path.c_str(), game_history, GamePly);
        EXPECT_GE(game_file_handle, 0);
        return read_file(path);
    }

    // Makes path the name of the record file.
    std::string useRecordFile(const std::string& path) {
        EXPECT_LT(path.size(), sizeof game_file_name);
        std::snprintf(game_file_name, sizeof game_file_name, "%s", path.c_str());
        return path;
    }

    std::string keep(const std::string& path) {
        written.push_back(path);
        return path;
    }

    std::vector<std::string> written;
};

// ----------------------------------------------------------------------------------------------
// An independent reader of the record's move texts: the legal moves that a text names, judged
// only from the moves' codes (piece, squares, capture, promotion, castling).
// ----------------------------------------------------------------------------------------------
int typeOfEnglish(char c) {
    switch (c) {
    case 'N': return TypeKnight;
    case 'B': return TypeBishop;
    case 'R': return TypeRook;
    case 'Q': return TypeQueen;
    case 'K': return TypeKing;
    default: return 0;
    }
}

std::vector<MOVE> movesNamedBy(std::string text, const std::vector<MOVE>& legal) {
    std::vector<MOVE> named;
    if (text == "o-o" || text == "o-o-o") {
        const int kingFile = text == "o-o" ? 6 : 2;
        for (MOVE m : legal)
            if (move_special(m) == MoveCastling && file_of(move_to(m)) == kingFile)
                named.push_back(m);
        return named;
    }
    int promotion = 0;
    if (text.size() > 2 && text[text.size() - 2] == '=') {
        promotion = typeOfEnglish(text.back());
        if (promotion == 0 || promotion == TypeKing) return named;
        text.resize(text.size() - 2);
    }
    int mover = TypePawn;
    size_t first = 0;
    if (!text.empty() && typeOfEnglish(text[0]) != 0) {
        mover = typeOfEnglish(text[0]);
        first = 1;
    }
    auto isFile = [](char c) { return c >= 'a' && c <= 'h'; };
    auto isRank = [](char c) { return c >= '1' && c <= '8'; };
    int fromFile = -1, fromRank = -1, toFile = -1, toRank = -1;
    bool capture = false, pawnTakesPawn = false;
    if (mover == TypePawn && text.size() == 2 && isFile(text[0]) && isFile(text[1])) {
        fromFile = text[0] - 'a';
        toFile = text[1] - 'a';
        capture = pawnTakesPawn = true;
    } else {
        if (text.size() < first + 2) return named;
        const size_t end = text.size() - 2;
        if (!isFile(text[end]) || !isRank(text[end + 1])) return named;
        toFile = text[end] - 'a';
        toRank = text[end + 1] - '1';
        for (size_t i = first; i < end; ++i) {
            const char c = text[i];
            if (c == 'x' && !capture)
                capture = true;
            else if (isFile(c) && fromFile < 0 && !capture)
                fromFile = c - 'a';
            else if (isRank(c) && fromRank < 0 && !capture)
                fromRank = c - '1';
            else
                return named;
        }
    }
    for (MOVE m : legal) {
        const int from = move_from(m), to = move_to(m);
        if (move_special(m) == MoveCastling || move_mover(m) != mover) continue;
        if (file_of(to) != toFile || (toRank >= 0 && rank_of(to) != toRank)) continue;
        if (fromFile >= 0 && file_of(from) != fromFile) continue;
        if (fromRank >= 0 && rank_of(from) != fromRank) continue;
        if ((move_captured(m) != 0) != capture) continue;
        if (pawnTakesPawn && move_captured(m) != TypePawn) continue;
        const bool promotes = move_special(m) == MovePromotion;
        if (promotes != (promotion != 0)) continue;
        if (promotes && move_promotion_type(m) != promotion) continue;
        named.push_back(m);
    }
    return named;
}

std::string squareText(int sq) {
    return {char('a' + file_of(sq)), char('1' + rank_of(sq))};
}

// A random game from the game position: each ply's legal moves and the move chosen, captures and
// special moves favoured so that games meet doubled pawns, promoted pieces and en passant.
struct RandomGame {
    std::vector<std::vector<MOVE>> legalAt;
    std::vector<MOVE> played;
    std::string uciMoves; // " e2e4 e7e5 ..."
};

RandomGame playRandomGame(std::mt19937& rng, int maxPlies) {
    RandomGame game;
    for (int ply = 0; ply < maxPlies; ++ply) {
        MOVE list[RootMoveCapacity + 1];
        const int count = collectLegalMoves(list, RootMoveCapacity);
        if (count == 0) break;
        std::vector<MOVE> legal(list, list + count), lively;
        for (MOVE m : legal)
            if (move_special(m) != 0 || move_captured(m) != 0) lively.push_back(m);
        const std::vector<MOVE>& pool = !lively.empty() && rng() % 2 == 0 ? lively : legal;
        const MOVE m = pool[rng() % pool.size()];
        const int promotion = move_special(m) == MovePromotion ? move_promotion_type(m) : 0;
        if (play_game_move(squareText(move_from(m)).c_str(), squareText(move_to(m)).c_str(),
                           promotion ? promotion : TypeQueen) == 0)
            break;
        game.legalAt.push_back(legal);
        game.played.push_back(m);
        game.uciMoves += std::string(" ") + move_to_uci(m);
    }
    return game;
}

// The moves of a record's move text, without their move numbers.
std::vector<std::string> moveTokens(const std::string& moveText) {
    std::vector<std::string> tokens;
    std::istringstream in(moveText);
    std::string word;
    while (in >> word) {
        const size_t dot = word.find_last_of('.');
        tokens.push_back(dot == std::string::npos ? word : word.substr(dot + 1));
    }
    return tokens;
}

} // namespace

TEST_F(GameRecord, WholeGameHasTheHeaderThePlyCountAndTheMoves) {
    run("position startpos moves e2e4 e7e5 g1f3 b8c6");
    EXPECT_EQ(writeWhole(), header("*") + "[PlyCount \"4\"]\n\n1.e4 e5 2.Nf3 Nc6 ");

    // Before the first move only the header is written.
    run("position startpos");
    EXPECT_EQ(writeWhole(), header("*") + "[PlyCount \"0\"]\n");
}

TEST_F(GameRecord, NotationOfSingleMoves) {
    struct Case {
        const char* position;
        const char* text;
    };
    const Case cases[] = {
        // The other rook shares the mover's file: the rank digit.
        {"fen 4k3/8/8/R7/8/8/8/R3K3 w - - 0 1 moves a1a3", "R1a3"},
        // The other knight shares neither file nor rank: the rank digit.
        {"fen 4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1 moves b1d2", "N1d2"},
        // The other rook shares the mover's rank: the file letter.
        {"fen 4k3/8/8/8/8/8/8/R4RK1 w - - 0 1 moves f1d1", "Rfd1"},
        // One queen on the file and one on the rank: both.
        {"fen 4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1 moves a1b2", "Qa1b2"},
        {"fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1 moves e1f2", "Kf2"},
        {"fen 4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1 moves e4d5", "exd5"},
        {"fen 4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1 moves e4d5", "ed"},
        {"fen 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1 moves e5d6", "ed"},
        {"fen 8/4P1k1/8/8/8/8/8/4K3 w - - 0 1 moves e7e8q", "e8=Q"},
        {"fen 4r1k1/3P4/8/8/8/8/8/4K3 w - - 0 1 moves d7e8n", "dxe8=N"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves e1g1", "o-o"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1 moves e8c8", "o-o-o"},
        {"fen 4k3/8/3n4/8/8/8/8/R3K3 b - - 0 1 moves d6b5 a1a5 b5c3", "Nc3"},
        // Another e-pawn can also take a pawn on the d-file: "ed" would name two moves.
        {"fen 4k3/3p4/4P3/3p4/4P3/8/8/4K3 w - - 0 1 moves e4d5", "exd5"},
        {"fen 4k3/3p4/8/4P3/3p4/4P3/8/4K3 b - - 0 1 moves d7d5 e3d4", "exd4"},
        // The same pawns without the double step: the other pawn cannot take en passant.
        {"fen 4k3/8/8/3pP3/3p4/4P3/8/4K3 w - - 0 1 moves e1f1 e8f8 e3d4", "ed"},
        // The other e-pawn can take a piece on the d-file: "ed" would name two moves too (and the
        // book loader, which takes the first capture up the file, the knight's).
        {"fen 4k3/8/3p4/4P3/3n4/4P3/8/4K3 w - - 0 1 moves e5d6", "exd6"},
        {"fen 4k3/8/8/3pP3/3n4/4P3/8/4K3 w - d6 0 1 moves e5d6", "exd6"},
        {"fen 7k/4p3/3N4/8/4p3/3P4/8/4K3 b - - 0 1 moves e4d3", "exd3"},
    };
    for (const Case& c : cases) {
        run(std::string("position ") + c.position);
        ASSERT_GE(GamePly, 1) << c.position;
        EXPECT_STREQ(game_history[GamePly].text, c.text) << c.position;
    }
}

TEST_F(GameRecord, ResultFollowsTheLastMoveByStatus) {
    run("position startpos moves e2e4 e7e5 f1c4 b8c6 d1h5 g8f6 h5f7");
    game_history[7].status = 1;
    EXPECT_EQ(moveTextOf(writeWhole()), "\n1.e4 e5 2.Bc4 Nc6 3.Qh5 Nf6 4.Qxf7# 1-0 ");

    const struct {
        uint8_t status;
        const char* ending;
    } endings[] = {{2, "Qxf7# 0-1 "},           {5, "Qxf7 1/2-1/2 "},
                   {6, "Qxf7 1/2-1/2 "},        {7, "Qxf7 1/2-1/2 "},
                   {8, "Qxf7 1/2-1/2 "},        {9, "Qxf7 0-1 (resigns) "},
                   {10, "Qxf7 1-0 (resigns) "}, {3, "Qxf7# 1-0 "},
                   {4, "Qxf7# 0-1 "},           {0, "Qxf7 "}};
    for (const auto& e : endings) {
        game_history[7].status = e.status;
        const std::string text = moveTextOf(writeWhole());
        EXPECT_EQ(text.substr(text.rfind("4.") + 2), e.ending) << int(e.status);
    }
}

TEST_F(GameRecord, HeaderNamesThePlayersTheDateAndTheResult) {
    run("position startpos moves e2e4 e7e5 f1c4 b8c6 d1h5 g8f6 h5f7");
    const struct {
        uint8_t status;
        const char* result;
    } results[] = {{1, "1-0"},     {3, "1-0"},     {10, "1-0"},    {2, "0-1"},
                   {4, "0-1"},     {9, "0-1"},     {5, "1/2-1/2"}, {6, "1/2-1/2"},
                   {7, "1/2-1/2"}, {8, "1/2-1/2"}, {0, "*"}};
    for (const auto& r : results) {
        game_history[7].status = r.status;
        EXPECT_NE(writeWhole().find("\n[Result \"" + std::string(r.result) + "\"]\n"),
                  std::string::npos)
            << int(r.status);
    }

    // The date is the day the record file was created; the players follow the engine's side.
    useRecordFile(keep(tempPath("dated.pgn")));
    create_game_record_file();
    int year = 0, month = 0, day = 0;
    platform_local_date(&year, &month, &day);
    char today[16];
    std::snprintf(today, sizeof today, "%04d.%02d.%02d", year, month, day);
    const struct {
        uint8_t mode;
        const char* white;
        const char* black;
    } players[] = {{'A', "Talvor", "Talvor"},
                   {'B', "Talvor", "Human"},
                   {'N', "Human", "Talvor"},
                   {'C', "Human", "Human"}};
    for (const auto& p : players) {
        name_game_players(p.mode);
        const std::string file = writeWhole();
        const std::string expected = "[Event \"Casual game\"]\n[Site \"?\"]\n[Date \"" +
                                     std::string(today) + "\"]\n[Round \"\"]\n[White \"" + p.white +
                                     "\"]\n[Black \"" + p.black + "\"]\n[Result \"*\"]\n";
        EXPECT_EQ(file.substr(0, expected.size()), expected);
    }

    // A game that goes on after a take-back: no ply count, no result yet.
    const std::string path = keep(tempPath("running.pgn"));
    game_history[7].status = 0;
    game_file_handle =
        write_running_game_record(game_file_handle, path.c_str(), game_history, GamePly);
    EXPECT_EQ(read_file(path),
              header("*") + "[PlyCount \"\"]\n\n1.e4 e5 2.Bc4 Nc6 3.Qh5 Nf6 4.Qxf7 ");
}

TEST_F(GameRecord, AGameFromASetUpPositionCarriesItsFen) {
    const struct {
        const char* position;
        const char* fen; // nullptr: the standard start, no tags
    } cases[] = {
        {"startpos moves e2e4", nullptr},
        {"fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 moves e2e4", nullptr},
        {"fen 7k/1P6/8/8/8/8/8/K7 w - - 0 1 moves b7b8q", "7k/1P6/8/8/8/8/8/K7 w - - 0 1"},
        // Black to move, rights that the board no longer allows dropped, a later move number.
        {"fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1 moves e7e5",
         "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"},
        {"fen r3k3/8/8/8/8/8/8/4K2R w KQkq - 5 23 moves e1g1", "r3k3/8/8/8/8/8/8/4K2R w Kq - 0 23"},
    };
    for (const auto& c : cases) {
        run(std::string("position ") + c.position);
        ASSERT_GE(GamePly, 1) << c.position;
        const std::string file = writeWhole();
        const std::string tags =
            c.fen ? "[PlyCount \"1\"]\n[SetUp \"1\"]\n[FEN \"" + std::string(c.fen) + "\"]\n\n"
                  : "[PlyCount \"1\"]\n\n";
        EXPECT_NE(file.find(tags), std::string::npos) << c.position << "\n" << file;
    }
}

TEST_F(GameRecord, MovesNumberedFromTheSetUpPosition) {
    const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
    // Black moves first: its move carries the number with "...", White's next move the next one.
    run("position fen " + start + " b KQkq - 0 10 moves e7e5 g1f3 b8c6 d2d4");
    EXPECT_EQ(moveTextOf(writeWhole()), "\n10...e5 11.Nf3 Nc6 12.d4 ");
    run("position fen " + start + " w KQkq - 3 10 moves e2e4 e7e5 g1f3");
    EXPECT_EQ(moveTextOf(writeWhole()), "\n10.e4 e5 11.Nf3 ");
    run("position fen " + start + " w KQkq - 0 7 moves e2e4");
    EXPECT_EQ(moveTextOf(writeWhole()), "\n7.e4 ");
    // A new game from the standard start counts from 1 again.
    run("position startpos moves e2e4 e7e5");
    EXPECT_EQ(moveTextOf(writeWhole()), "\n1.e4 e5 ");
    // A FEN without a move number starts at 1.
    run("position fen " + start + " b KQkq - moves e7e5 g1f3");
    EXPECT_EQ(moveTextOf(writeWhole()), "\n1...e5 2.Nf3 ");
}

TEST_F(GameRecord, RunningRecordEqualsTheWholeGame) {
    std::mt19937 rng(8101);
    run("position startpos");
    const RandomGame game = playRandomGame(rng, 150);
    ASSERT_GT(game.played.size(), 30u);
    const std::vector<std::string> words = [&] {
        std::vector<std::string> w;
        std::istringstream in(game.uciMoves);
        for (std::string s; in >> s;) w.push_back(s);
        return w;
    }();

    // The game as the game loop writes it: the running writer after every move.
    const std::string running = useRecordFile(keep(tempPath("running.pgn")));
    create_game_record_file();
    ASSERT_GE(game_file_handle, 0);
    std::string line = "position startpos moves";
    for (const std::string& word : words) {
        line += " " + word;
        run(line);
        append_game_move(1);
    }
    const std::string runningFile = read_file(running);
    const std::string wholeFile = writeWhole();

    const std::string runningHeader = header("*") + "[PlyCount \"\"]\n";
    const std::string wholeHeader =
        header("*") + "[PlyCount \"" + std::to_string(words.size()) + "\"]\n";
    EXPECT_EQ(runningFile.substr(0, runningHeader.size()), runningHeader);
    EXPECT_EQ(wholeFile.substr(0, wholeHeader.size()), wholeHeader);
    const std::string moveText = moveTextOf(wholeFile);
    EXPECT_EQ(moveTextOf(runningFile), moveText);

    // Six full moves to a line, each line starting with its move number.
    std::istringstream lines(moveText.substr(1));
    int index = 0;
    for (std::string l; std::getline(lines, l); ++index)
        EXPECT_EQ(l.rfind(std::to_string(6 * index + 1) + ".", 0), 0u) << l;
    EXPECT_EQ(index, int(words.size() + 11) / 12);
}

TEST_F(GameRecord, RandomGamesNameEveryMoveByItsText) {
    const char* starts[] = {
        "startpos",
        "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen 8/PPPk4/8/8/8/8/4Kppp/8 w - - 0 1",
        "fen rnbqkbnr/pp1ppppp/8/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 4",
        // Doubled pawns facing doubled pawns: pawn captures that "ed" alone would not name.
        "fen 4k3/2p1p1p1/3P1P2/2p1p1p1/3P1P2/8/8/4K3 w - - 0 1",
    };
    std::mt19937 rng(20260110);
    int disambiguated = 0, pawnTakesPawn = 0, longPawnCaptures = 0, promotions = 0;
    for (int g = 0; g < 300; ++g) {
        const std::string start = std::string("position ") + starts[g % std::size(starts)];
        run(start);
        const RandomGame game = playRandomGame(rng, 160);
        run(start + " moves" + game.uciMoves);
        ASSERT_EQ(size_t(GamePly), game.played.size()) << start << " moves" << game.uciMoves;

        std::vector<std::string> texts;
        for (size_t p = 0; p < game.played.size(); ++p) {
            const std::string text = game_history[p + 1].text;
            texts.push_back(text);
            const std::vector<MOVE> named = movesNamedBy(text, game.legalAt[p]);
            ASSERT_EQ(named.size(), 1u) << "ply " << p + 1 << " " << text << "\n"
                                        << start << " moves" << game.uciMoves;
            EXPECT_EQ(named[0] & MoveIdentityMask, game.played[p] & MoveIdentityMask)
                << "ply " << p + 1 << " " << text;
            const MOVE m = game.played[p];
            if (move_mover(m) > TypePawn && move_mover(m) < TypeKing &&
                text.find_first_of("abcdefgh12345678") != text.size() - 2)
                ++disambiguated;
            if (text.size() == 2 && text[1] >= 'a') ++pawnTakesPawn;
            if (move_mover(m) == TypePawn && move_captured(m) == TypePawn && text.size() > 2)
                ++longPawnCaptures;
            if (move_special(m) == MovePromotion) ++promotions;
        }
        // The whole record carries the same texts.
        EXPECT_EQ(moveTokens(moveTextOf(writeWhole())), texts) << start << game.uciMoves;
    }
    // The games met the cases worth checking.
    EXPECT_GT(disambiguated, 50);
    EXPECT_GT(pawnTakesPawn, 100);
    EXPECT_GT(longPawnCaptures, 20);
    EXPECT_GT(promotions, 50);
}

TEST_F(GameRecord, RandomGamesAreReadBackByTheBookLoader) {
    // The record's notation is also the opening book's: each text, read as a book token on the
    // position before its ply, names the move played (the loader reads "ed" as the first capture
    // up the file, whatever piece it takes, and considers no pins).
    const char* starts[] = {
        "startpos",
        "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen 8/PPPk4/8/8/8/8/4Kppp/8 w - - 0 1",
        "fen 4k3/2p1p1p1/3P1P2/2p1p1p1/3P1P2/8/8/4K3 w - - 0 1",
        "fen 4k3/2p1p3/3n1b2/2p1p3/3N1B2/2P1P3/8/4K3 w - - 0 1",
    };
    std::mt19937 rng(20260111);
    int shortPawnCaptures = 0;
    for (int g = 0; g < 200; ++g) {
        const std::string start = std::string("position ") + starts[g % std::size(starts)];
        run(start);
        const RandomGame game = playRandomGame(rng, 120);
        run(start + " moves" + game.uciMoves);
        ASSERT_EQ(size_t(GamePly), game.played.size()) << start << " moves" << game.uciMoves;

        int8_t board[MailboxSize];
        for (int i = 0; i < MailboxSize; ++i) board[i] = internalToEnglish(GameStartBoard[i]);
        int colour = white_to_move_at_start ? 1 : -1;
        for (int ply = 1; ply <= GamePly; ++ply, colour = -colour) {
            const GameHistoryEntry& e = game_history[ply];
            BookMove read{};
            ASSERT_TRUE(resolve_book_token(board, e.text, colour, read))
                << "ply " << ply << " " << e.text << "\n"
                << start << " moves" << game.uciMoves;
            EXPECT_EQ(read.from, e.fromCell) << "ply " << ply << " " << e.text;
            EXPECT_EQ(read.to, e.toCell) << "ply " << ply << " " << e.text;
            EXPECT_EQ(read.promotion, e.specialKind == KindPromotion ? e.promotion : 0)
                << "ply " << ply << " " << e.text;
            if (std::strlen(e.text) == 2 && e.text[1] >= 'a') ++shortPawnCaptures;
            playMailboxMove(board, e.fromCell, e.toCell, e.specialKind, e.promotion);
        }
    }
    EXPECT_GT(shortPawnCaptures, 50);
}

TEST_F(GameRecord, UnwritableRecordIsReportedOnceAndSkipped) {
    // A directory where the file should be.
    std::string dir = ::testing::TempDir();
    useRecordFile(dir);
    testing::internal::CaptureStdout();
    create_game_record_file();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(game_file_handle, -1);
    EXPECT_EQ(out, "info string The game record " + dir + " cannot be written\n");

    // The game goes on: nothing is written, nothing more is said, the texts are still built.
    run("position startpos moves e2e4");
    testing::internal::CaptureStdout();
    append_game_move(1);
    EXPECT_EQ(write_game_record(-1, "/nonexistent-talvor-dir/Chess.pgn", game_history, GamePly),
              -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(game_history[1].text, "e4");

    // Once the record can be written again, a new failure is reported again; in console mode as
    // a plain line.
    useRecordFile(keep(tempPath("again.pgn")));
    create_game_record_file();
    EXPECT_GE(game_file_handle, 0);
    uci_mode = 0;
    testing::internal::CaptureStdout();
    game_file_handle =
        write_game_record(game_file_handle, "/nonexistent-talvor-dir/Chess.pgn", game_history, 1);
    out = testing::internal::GetCapturedStdout();
    uci_mode = 1;
    EXPECT_EQ(game_file_handle, -1);
    EXPECT_EQ(out, "\nThe game record /nonexistent-talvor-dir/Chess.pgn cannot be written\n");
}

TEST_F(GameRecord, FailedWriteIsReportedOnce) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    useRecordFile("/dev/full");
    std::string out;
    testing::internal::CaptureStdout();
    create_game_record_file();
    out += testing::internal::GetCapturedStdout();
    for (const char* moves : {"e2e4", "e2e4 e7e5", "e2e4 e7e5 g1f3"}) {
        run(std::string("position startpos moves ") + moves);
        testing::internal::CaptureStdout();
        append_game_move(1);
        out += testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(out, "info string The game record /dev/full cannot be written\n");
}
