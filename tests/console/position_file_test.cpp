#include "console/position_file.h"

#include "board/notation.h"
#include "board/position.h"
#include "core/settings.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include "support/temp_files.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string tempPath(const char* leaf) {
    return temp_path("talvor_pos_", leaf);
}

void writeFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

int cell(const char* sq) {
    return 10 * (sq[0] - 'a' + 1) + (sq[1] - '1' + 1);
}

// Eight lines of 27 bytes; squares given as two letters each, rank 8 first.
std::string longForm(const char* ranks[8]) {
    std::string bytes;
    for (int r = 0; r < 8; ++r) {
        for (int f = 0; f < 8; ++f) {
            bytes += '|';
            bytes += ranks[r][2 * f];
            bytes += ranks[r][2 * f + 1];
        }
        bytes += "|\r\n";
    }
    return bytes;
}

class PositionFile : public ::testing::Test {
  protected:
    void SetUp() override {
        standard_start = 0;
        SetupCastlingRights[0] = SetupCastlingRights[1] = 0;
        std::memset(SetupBoard, 0x55, sizeof SetupBoard);
    }
    void TearDown() override { standard_start = 1; }
};

} // namespace

TEST_F(PositionFile, StandardStartWithoutNameOrWhenStandardStartIsSet) {
    int8_t standard[MailboxSize];
    standardStartMailbox(standard);
    EXPECT_TRUE(read_position_file(nullptr));
    EXPECT_EQ(std::memcmp(SetupBoard, standard, sizeof standard), 0);
    EXPECT_EQ(standard_start, 1);
    EXPECT_EQ(SetupCastlingRights[White], 3);
    EXPECT_EQ(SetupCastlingRights[Black], 3);

    std::memset(SetupBoard, 0, sizeof SetupBoard);
    EXPECT_TRUE(read_position_file("/nonexistent/file.pos")); // standard_start wins
    EXPECT_EQ(std::memcmp(SetupBoard, standard, sizeof standard), 0);
}

TEST_F(PositionFile, EnglishAndFrenchLetterSets) {
    const char* english[8] = {"  BKBR          ", "                ", "      WN        ",
                              "                ", "    WP  BP      ", "                ",
                              "          WQ    ", "WR      WK      "};
    const char* french[8] = {"  RNTN          ", "                ", "      CB        ",
                             "                ", "    PB  PN      ", "                ",
                             "          DB    ", "TB      RB      "};
    const std::string path = tempPath("sets.pos");
    for (const char** ranks : {english, french}) {
        writeFile(path, longForm(ranks));
        SetUp();
        ASSERT_TRUE(read_position_file(path.c_str()));
        EXPECT_EQ(SetupBoard[cell("b8")], -'R');
        EXPECT_EQ(SetupBoard[cell("c8")], -'T');
        EXPECT_EQ(SetupBoard[cell("d6")], 'C');
        EXPECT_EQ(SetupBoard[cell("c4")], 'P');
        EXPECT_EQ(SetupBoard[cell("e4")], -'P');
        EXPECT_EQ(SetupBoard[cell("f2")], 'D');
        EXPECT_EQ(SetupBoard[cell("a1")], 'T');
        EXPECT_EQ(SetupBoard[cell("e1")], 'R');
        EXPECT_EQ(SetupBoard[cell("a8")], 0);
        EXPECT_EQ(SetupBoard[cell("h1")], 0);
        EXPECT_EQ(SetupBoard[0], 0); // cells outside the board are cleared
        EXPECT_EQ(standard_start, 0);
    }
    std::remove(path.c_str());
}

TEST_F(PositionFile, ShortFormAndUnknownBytes) {
    std::string bytes(64, 'V');
    bytes[0] = 'T';                // a1 white rook
    bytes[4 * 8 + 0] = 'R';        // e1 white king
    bytes[4 * 8 + 7] = char(-'R'); // e8 black king
    bytes[1 * 8 + 0] = 'C';        // b1 white knight (a C marks the file as a position)
    bytes[2 * 8 + 3] = 'x';        // not a piece: empty
    const std::string path = tempPath("short.pos");
    writeFile(path, bytes);
    ASSERT_TRUE(read_position_file(path.c_str()));
    EXPECT_EQ(SetupBoard[cell("a1")], 'T');
    EXPECT_EQ(SetupBoard[cell("e1")], 'R');
    EXPECT_EQ(SetupBoard[cell("e8")], -'R');
    EXPECT_EQ(SetupBoard[cell("b1")], 'C');
    EXPECT_EQ(SetupBoard[cell("c4")], 0);
    EXPECT_EQ(SetupBoard[cell("a2")], 0);
    std::remove(path.c_str());
}

TEST_F(PositionFile, RefusedFiles) {
    const char* noKnightNoKing[8] = {"                ", "                ", "      TB        ",
                                     "                ", "                ", "                ",
                                     "                ", "                "};
    std::string french = longForm(noKnightNoKing);
    std::string short215 = french.substr(0, 215);
    short215[10] = 'K';
    const std::string path = tempPath("refused.pos");
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"no C and no K", french},
        {"215 bytes", short215},
        {"217 bytes", french + "K"},
        {"empty", ""},
        {"2500 bytes", std::string(2500, 'K')},
    };
    for (const Case& c : cases) {
        writeFile(path, c.bytes);
        EXPECT_FALSE(read_position_file(path.c_str())) << c.what;
    }
    std::remove(path.c_str());
    EXPECT_FALSE(read_position_file(path.c_str())) << "missing file";
}

TEST_F(PositionFile, StandardPositionFileSetsStandardStartAndCastling) {
    const char* ranks[8] = {"BRBNBBBQBKBBBNBR", "BPBPBPBPBPBPBPBP", "                ",
                            "                ", "                ", "                ",
                            "WPWPWPWPWPWPWPWP", "WRWNWBWQWKWBWNWR"};
    const std::string path = tempPath("std.pos");
    writeFile(path, longForm(ranks));
    ASSERT_TRUE(read_position_file(path.c_str()));
    EXPECT_EQ(standard_start, 1);
    EXPECT_EQ(SetupCastlingRights[White], 3);
    EXPECT_EQ(SetupCastlingRights[Black], 3);
    std::remove(path.c_str());
}

TEST_F(PositionFile, EnteredPositionRoundTrips) {
    // 64 answers, rank 8 first; mixed spellings, a refused answer, Backspace and a refused key.
    std::string keys;
    for (int rank = 8; rank >= 1; --rank) {
        for (int file = 1; file <= 8; ++file) {
            if (rank == 8 && file == 5)
                keys += "WX\r"
                        "bk\r"; // WX asked again
            else if (rank == 1 && file == 5)
                keys += "WQ\b\bWK\r"; // erased and retyped
            else if (rank == 1 && file == 1)
                keys += "W R\r"; // the space is refused
            else if (rank == 2 && file == 4)
                keys += "WP\r";
            else if (rank == 7 && file == 4)
                keys += "BP\r";
            else if (rank == 5 && file == 3)
                keys += "WN\r";
            else if (file % 2)
                keys += "EE\r";
            else
                keys += "\rV\r"; // Enter alone is refused
        }
    }
    char leafText[16];
    std::snprintf(leafText, sizeof leafText, "t%d", int(getpid() % 100000));
    const std::string leaf = leafText;
    keys += leaf + "\r";
    platform_push_keyboard_bytes(keys.data(), keys.size());

    ASSERT_EQ(enter_position_dialogue(), EntryDone);
    const std::string name = leaf + ".pos";
    EXPECT_EQ(std::string(position_file_name), name);
    int8_t entered[MailboxSize];
    std::memcpy(entered, SetupBoard, sizeof entered);
    EXPECT_EQ(entered[cell("e8")], -'R');
    EXPECT_EQ(entered[cell("e1")], 'R');
    EXPECT_EQ(entered[cell("a1")], 'T');
    EXPECT_EQ(entered[cell("d2")], 'P');
    EXPECT_EQ(entered[cell("d7")], -'P');
    EXPECT_EQ(entered[cell("c5")], 'C');
    EXPECT_EQ(entered[cell("b5")], 0);

    const std::string bytes = read_file(name);
    ASSERT_EQ(bytes.size(), 216u);
    EXPECT_EQ(bytes.substr(0, 27), "|  |  |  |  |BK|  |  |  |\r\n");
    EXPECT_EQ(bytes.substr(189, 27), "|WR|  |  |  |WK|  |  |  |\r\n");

    std::memset(SetupBoard, 0, sizeof SetupBoard);
    ASSERT_TRUE(read_position_file(name.c_str()));
    EXPECT_EQ(std::memcmp(SetupBoard, entered, sizeof entered), 0);
    std::remove(name.c_str());
}
