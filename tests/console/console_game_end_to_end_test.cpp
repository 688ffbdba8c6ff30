// Console games of the real engine through a pipe: the questionnaire's answers and the player's
// keys are written to its standard input, and its screen text and its record file are read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "console/console_game.h"
#include "core/game_history.h"
#include "platform/platform.h"
#include "search/search_fixture.h"
#include "support/engine_process.h"
#include "support/temp_files.h"

namespace {

TEST(ConsoleGame, DefaultsControlModeTakeBacksAndResignation) {
    ConsoleGame game(false);
    const std::string keys = accept_defaults("5", "c") +
                             "e2e4\re7e5\rg1f3\rb8c6\rf1c4\r" // five moves typed for both sides
                             "TB\ryyn"                        // three of them taken back
                             "g1f3\rg8f6\r"
                             "P\r" // the engine plays white from here
                             "BR\rnBR\ro"
                             "\r\r"; // black resigns at the second try
    ASSERT_EQ(game.play(keys), 0) << game.screen;
    EXPECT_TRUE(game.shows("Time credit for each player (minutes) : 5")) << game.screen;
    // The board of the first move: the clocks of 300 seconds show as 5.00.
    EXPECT_TRUE(game.shows("\n\n\xE2\x96\x93TP    PT\xE2\x96\x93"
                           "CP    PC\xE2\x96\x93"
                           "FP    PF\xE2\x96\x93"
                           "DP    PD\xE2\x96\x93"
                           "R  P  PR\xE2\x96\x93"))
        << game.screen;
    EXPECT_TRUE(game.shows("Nbcoups : 1-B  Tmps :  5.00")) << game.screen;
    EXPECT_TRUE(game.shows("\n 1 coup repris - Blanc à jouer")) << game.screen;
    EXPECT_TRUE(game.shows("\n 2 coups repris - Noir à jouer")) << game.screen;
    EXPECT_TRUE(game.shows("\n 3 coups repris - Blanc à jouer")) << game.screen;
    EXPECT_TRUE(game.shows("\nPlaying...\n")) << game.screen;
    EXPECT_TRUE(game.shows("\nConfirmer (y/n) : n\nVotre coup : BR\nConfirmer (y/n) : o"
                           "\nFaire <Entrer> pour continuer\n\n1-0 Abandon\n"
                           "\nFaire <Entree> pour continuer\n_END_\n"))
        << game.screen;

    const std::string record = game.file("Chess.pgn");
    EXPECT_NE(record.find("[PlyCount \"5\"]\n\n1.e4 e5 2.Nf3 Nf6 3."), std::string::npos) << record;
    EXPECT_EQ(record.substr(record.size() - 15), " 1-0 (resigns) ") << record;
}

TEST(ConsoleGame, RefusedParametersPositionFileAndPromotion) {
    ConsoleGame game(false);
    // White: king g1, pawn a7; black: king h8, pawn h7. White (the player) is to move.
    game.write("prom.pos", position_file({".......k", "P......p", "........", "........",
                                          "........", "........", "........", "......K."}));
    // Clocks of 3 and 2 minutes, credits 1 and 2, increment 4, no pondering, no tree, a set-up
    // position with white to move and no castling, the engine playing black.
    const std::string keys = "\rn3\r2\r1\r2\r4\rnnnnnwnnnnprom\rnbnny"
                             "a7a8\rxd"   // the promotion question: a queen
                             "CTN\r2\r"   // black's clock (whose move it is) set to 2 minutes
                             "WR\ry\r\r"; // white resigns
    ASSERT_EQ(game.play(keys), 0) << game.screen;
    EXPECT_TRUE(game.shows("Time for white (minutes) : 3\nTime for black (minutes) : 2\n"
                           "Time credit to play moves (sec.) : 1\n"
                           "Time credit to input moves (sec.) : 2\nFischer time credit (sec.) : 4"))
        << game.screen;
    EXPECT_TRUE(game.shows("\nEntrez la pièce promue (DTFC) : d")) << game.screen;
    EXPECT_TRUE(game.shows("Nbcoups : 1-B  Tmps :  2.00")) << game.screen; // black's clock
    EXPECT_TRUE(game.shows(" A7A8:D\n")) << game.screen;
    EXPECT_TRUE(game.shows("\n\n0-1 Abandon\n")) << game.screen;
    EXPECT_TRUE(game.shows("_END_")) << game.screen;
    const std::string record = game.file("Chess.pgn");
    EXPECT_NE(record.find("[PlyCount \"2\"]\n[SetUp \"1\"]\n"
                          "[FEN \"7k/P6p/8/8/8/8/8/6K1 w - - 0 1\"]\n\n1.a8=Q "),
              std::string::npos)
        << record;
}

TEST(ConsoleGame, UnusableStartPositionsSayWhyAndStartTheQuestionnaireAgain) {
    ConsoleGame game(false);
    const struct {
        const char* name;
        std::vector<std::string> ranks;
        const char* reason;
    } refused[] = {
        {"twokings",
         {"K......k", "........", "........", "........", "........", "........", "........",
          "......K."},
         "each side needs exactly one king"},
        {"pawn",
         {".......k", "........", "........", "........", "........", "........", "........",
          "P.....K."},
         "a pawn stands on the first or the eighth rank"},
        {"touching",
         {"........", "........", "........", "........", "........", "........", ".....k..",
          "......K."},
         "the kings stand side by side"},
        // White to move, the black king attacked by the white rook.
        {"check",
         {"....k...", "........", "........", "........", "....R...", "........", "........",
          "......K."},
         "the side not to move is in check"},
    };
    const std::string setUp = "\rn1\r1\r0\r0\r0\rnnnnnwnnnn";
    std::string keys = setUp + "nofile\rncnny"; // no such file: "Board problem"
    for (const auto& r : refused) {
        game.write(std::string(r.name) + ".pos", position_file(r.ranks));
        keys += setUp + r.name + "\rncnny";
    }
    keys += accept_defaults("1", "c") + "e2e4\r";
    ASSERT_EQ(game.play(keys), 0) << game.screen;
    EXPECT_EQ(game.count("Do you accept following parameters"), 6u) << game.screen;
    EXPECT_EQ(game.count("\nBoard problem"), 1u) << game.screen;
    for (const auto& r : refused)
        EXPECT_EQ(game.count("\nPosition refused : " + std::string(r.reason) + "\n"), 1u)
            << r.name << game.screen;
    EXPECT_TRUE(game.shows(" E2E4\n")) << game.screen;
}

TEST(ConsoleGame, AnExtendedKeyAtTheFirstPromptAnswersNothing) {
    ConsoleGame game(false);
    // End (ESC [ F: 0 and then 79, an "O") at "Press <Enter><Enter>", then the answers.
    ASSERT_EQ(game.play("\x1b[Fy1\rncnnye2e4\r"), 0) << game.screen;
    EXPECT_TRUE(game.shows("Do you accept following parameters (Y/n) : y"
                           "\nTime credit for each player (minutes) : 1"))
        << game.screen;
    EXPECT_TRUE(game.shows(" E2E4\n")) << game.screen;
}

TEST(ConsoleGame, KingAndKnightAgainstKingIsDrawnAtOnce) {
    ConsoleGame game(false);
    // White: king a1, knight c3; black: king h8, bishop b5; White (the player) to move.
    game.write("minor.pos", position_file({".......k", "........", "........", ".b......",
                                           "........", "..N.....", "........", "K......."}));
    ASSERT_EQ(game.play("\rn1\r1\r0\r0\r0\rnnnnnwnnnnminor\rncnnyc3b5\r\r\r"), 0) << game.screen;
    EXPECT_TRUE(game.shows(" C3B5\n")) << game.screen;
    EXPECT_TRUE(game.shows("\nFaire <Entrer> pour continuer\n\nNulle - Matériel insuffisant\n"))
        << game.screen;
    const std::string record = game.file("Chess.pgn");
    EXPECT_NE(record.find("[Result \"1/2-1/2\"]"), std::string::npos) << record;
    EXPECT_NE(record.find("1.Nxb5 1/2-1/2 "), std::string::npos) << record;
}

TEST(ConsoleGame, TheBoardAfterAMoveShowsTheScoreOfItsOwnSearch) {
    ConsoleGame game(false);
    // White (the engine, playing both sides) mates at once with the rook.
    game.write("mate.pos", position_file({"......k.", ".....ppp", "........", "........",
                                          "........", "........", ".....PPP", "...R..K."}));
    ASSERT_EQ(game.play("\rn1\r1\r0\r0\r0\rnnnnnwnnnnmate\rynny\r\r"), 0) << game.screen;
    EXPECT_TRUE(game.shows(" D1D8\n")) << game.screen;
    EXPECT_TRUE(game.shows("\nEvaluation : +mat : 8999\nNbcoups : 1-B")) << game.screen;
    EXPECT_TRUE(game.shows("\n\n1-0 MAT\n")) << game.screen;
}

TEST(ConsoleGame, ThePlayersClockGoesDownByTheTimeTaken) {
    ConsoleGame game(false);
    EngineProcess engine({"-console"}, game.directory);
    // Control mode, one minute each, no increment: White thinks about 2.5 seconds, Black answers
    // at once.
    engine.send(accept_defaults("1", "c"));
    ASSERT_TRUE(engine.wait_for("Votre coup : ", 10000)) << engine.output();
    platform_sleep_ms(2500);
    engine.send("e2e4\r");
    ASSERT_TRUE(engine.wait_for("Nbcoups : 1-B  Tmps :  1.00", 10000)) << engine.output();
    engine.send("e7e5\r");
    ASSERT_TRUE(engine.wait_for(" E7E5\n", 10000)) << engine.output();
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(10000), 0);
    // White's clock after Black's move: 2 or 3 seconds gone (a slow machine may add one).
    const std::string& screen = engine.output();
    const size_t at = screen.find("Nbcoups : 1-N  Tmps :  0.5");
    ASSERT_NE(at, std::string::npos) << screen;
    const char second = screen[at + std::string("Nbcoups : 1-N  Tmps :  0.5").size()];
    EXPECT_TRUE(second == '8' || second == '7') << screen.substr(at, 40);
}

TEST(ConsoleGame, EndOfInputEndsTheProgram) {
    ConsoleGame game(false);
    game.write("mid.pos", position_file({"r.bqk..r", "pppp.ppp", "..n..n..", "..b.p...", "..B.P...",
                                         ".....N..", "PPPP.PPP", "RNBQK..R"}));
    // Pondering on, the engine white, credits that leave it about a second per move. The engine
    // thinks on the player's time when its search left an expected reply, which it nearly always
    // does; otherwise it waits for the move at once.
    const std::string ponderGame = "\rn30\r30\r43\r0\r0\rynnnnwyyyymid\rnwnny";
    const struct {
        std::string keys;
        std::vector<std::string> lastWords; // what the screen may show last
    } cases[] = {
        {"", {"Press <Enter><Enter> to continue"}},
        {"\ry", {"Time credit for each player (minutes) : "}},
        {accept_defaults("1", "c") + "e2", {"Votre coup : E2"}},
        {ponderGame, {"Thinking (S to stop)...", "Votre coup : "}},
        {ponderGame + "S", {"Thinking (S to stop)...\nVotre coup : ", "Votre coup : "}},
    };
    for (const auto& c : cases) {
        const long long start = monotonic_ms();
        EXPECT_EQ(game.play(c.keys, 60000), 0) << c.keys << game.screen;
        EXPECT_LT(monotonic_ms() - start, 30000) << c.keys;
        const std::string shown = game.screen.substr(0, game.screen.find_last_not_of('\n') + 1);
        bool endsRight = false;
        for (const std::string& words : c.lastWords)
            endsRight |= shown.size() >= words.size() &&
                         shown.compare(shown.size() - words.size(), words.size(), words) == 0;
        EXPECT_TRUE(endsRight) << c.keys << shown.substr(shown.size() - 300);
    }
}

TEST(ConsoleGame, EditingAndFunctionKeysDoNotStopTheSearchOnThePlayersTime) {
    ConsoleGame game(false);
    game.write("mid.pos", position_file({"r.bqk..r", "pppp.ppp", "..n..n..", "..b.p...", "..B.P...",
                                         ".....N..", "PPPP.PPP", "RNBQK..R"}));
    // Delete (0 and 83, an "S"), F10 and a key the terminal names by a number nobody knows,
    // pressed while the engine thinks on the player's time; then the input ends.
    const std::string keys = "\rn30\r30\r43\r0\r0\rynnnnwyyyymid\rnwnny\x1b[3~\x1b[21~\x1b[99~";
    ASSERT_EQ(game.play(keys, 60000), 0) << game.screen;
    EXPECT_FALSE(game.shows("Thinking (S to stop)...\nVotre coup : ")) << game.screen;
}

TEST(ConsoleGame, ResignationTypedWhileTheEnginePonders) {
    ConsoleGame game(false);
    game.write("mid.pos", position_file({"r.bqk..r", "pppp.ppp", "..n..n..", "..b.p...", "..B.P...",
                                         ".....N..", "PPPP.PPP", "RNBQK..R"}));
    const std::string keys = "\rn30\r30\r43\r0\r0\rynnnnwyyyymid\rnwnny"
                             "SBR\ro\r\r"; // confirmed once, while the engine thinks
    ASSERT_EQ(game.play(keys, 60000), 0) << game.screen;
    EXPECT_EQ(game.count("Confirmer"), 1u) << game.screen;
    EXPECT_TRUE(game.shows("\nVotre coup : BR\nConfirmer (y/n) : o"
                           "\nFaire <Entrer> pour continuer\n\n1-0 Abandon\n"))
        << game.screen;
    // (Without an expected reply the engine does not think on the player's time: the S is then
    // ignored at the move prompt, and the same resignation follows.)
    if (game.shows("\nThinking (S to stop)...")) {
        EXPECT_TRUE(game.shows("\nThinking (S to stop)...\nVotre coup : BR\nConfirmer (y/n) : o"))
            << game.screen;
    }
}

// A square pair as the console writes it (E2E4) in long algebraic text (e2e4); "" when the text
// is not one.
std::string squares_of(const std::string& text) {
    if (text.size() < 4) return "";
    std::string m;
    for (int i = 0; i < 4; ++i) {
        const char low = i % 2 ? '1' : 'A';
        if (text[size_t(i)] < low || text[size_t(i)] > low + 7) return "";
        m += char(i % 2 ? text[size_t(i)] : text[size_t(i)] - 'A' + 'a');
    }
    return m;
}

// The moves the console announced, in long algebraic text (e2e4, a7a8q): the line after each
// board (" E2E4", " A7A8:D"), and the move of a drawn game's message (no board is shown then).
std::vector<std::string> announced_moves(const std::string& screen) {
    std::vector<std::string> moves;
    std::istringstream lines(screen);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] != ' ' || (line.size() != 5 && line.size() != 7)) continue;
        std::string m = squares_of(line.substr(1));
        if (m.empty()) continue;
        if (line.size() == 7) {
            const size_t piece = std::string("CFTD").find(line[6]);
            if (line[5] != ':' || piece == std::string::npos) continue;
            m += "nbrq"[piece];
        }
        moves.push_back(m);
    }
    for (const char* draw : {"Nulle - R\xC3\xA9p\xC3\xA9tition (", "Nulle - 50 coups ("}) {
        const size_t at = screen.find(draw);
        if (at != std::string::npos)
            moves.push_back(squares_of(screen.substr(at + std::string(draw).size(), 4)));
    }
    return moves;
}

class AutoplayGame : public SearchFixture {};

TEST_F(AutoplayGame, EndsWithItsResultAndIsRecordedWhole) {
    ConsoleGame game(true);
    ASSERT_EQ(game.play(accept_defaults("1", "a") + "\r\r", 300000), 0) << game.screen;
    const std::string endings[][2] = {
        {"\n\n1-0 MAT\n", "# 1-0 "},
        {"\n\n0-1 MAT\n", "# 0-1 "},
        {"\n\nPAT\n", " 1/2-1/2 "},
        {"\n\nNulle - R\xC3\xA9p\xC3\xA9tition (", " 1/2-1/2 "},
        {"\n\nNulle - 50 coups (", " 1/2-1/2 "},
        {"\n\nNulle - Mat\xC3\xA9riel insuffisant\n", " 1/2-1/2 "},
    };
    std::string resultText;
    for (const auto& e : endings)
        if (game.shows("\nFaire <Entrer> pour continuer" + e[0])) resultText = e[1];
    ASSERT_FALSE(resultText.empty()) << game.screen.substr(game.screen.size() - 2000);
    EXPECT_TRUE(game.shows("\nFaire <Entree> pour continuer\n_END_\n"));

    // The record holds every move the console announced, in its notation, and the result.
    const std::vector<std::string> moves = announced_moves(game.screen);
    ASSERT_GT(moves.size(), 4u);
    std::string words = "startpos moves";
    for (const std::string& m : moves) words += " " + m;
    ASSERT_TRUE(set_position(words)) << words;
    ASSERT_EQ(GamePly, int(moves.size())) << words;
    const std::string result = resultText.find("1-0") != std::string::npos   ? "1-0"
                               : resultText.find("0-1") != std::string::npos ? "0-1"
                                                                             : "1/2-1/2";
    std::string expected = record_header("Talvor", "Talvor", result, int(moves.size()));
    for (int ply = 1; ply <= GamePly; ++ply) {
        if (ply % 12 == 1) expected += "\n";
        if (ply % 2 == 1) expected += std::to_string(ply / 2 + 1) + ".";
        expected += game_history[ply].text;
        expected += ply == GamePly ? resultText : " ";
    }
    EXPECT_EQ(game.file("Chess.pgn"), expected);
}

} // namespace
