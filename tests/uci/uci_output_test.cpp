#include "board/notation.h"
#include "core/output.h"
#include "uci/uci_output.h"

#include <gtest/gtest.h>

#include <string>

#include "board/notation.h"
#include "core/output.h"
#include "core/settings.h"
#include "search/search_flags.h"

namespace {

MOVE move_code(int from, int to, MOVE extra = 0) {
    return MOVE(to) | MOVE(from) << 6 | extra;
}

TEST(UciOutput, MovesInLongAlgebraicText) {
    const struct {
        MOVE move;
        const char* text;
    } cases[] = {
        {move_code(make_square(4, 1), make_square(4, 3)), "e2e4"},
        {move_code(SqA1, SqH8), "a1h8"},
        {move_code(SqE1, SqG1, MoveCastling), "e1g1"},
        {move_code(make_square(4, 6), SqE8, MovePromotion | 3u << MovePromotionShift), "e7e8q"},
        {move_code(make_square(0, 1), SqA1, MovePromotion), "a2a1n"},
        {move_code(make_square(1, 6), SqA8, MovePromotion | 1u << MovePromotionShift), "b7a8b"},
        {move_code(make_square(1, 6), SqA8, MovePromotion | 2u << MovePromotionShift), "b7a8r"},
        {move_code(make_square(3, 4), make_square(4, 5), MoveEnPassant), "d5e6"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(move_to_uci(c.move), c.text);
        EXPECT_STREQ(uci_text_move, c.text);
    }
}

TEST(UciOutput, InfoAndErrorMessagesInBothModes) {
    const uint8_t saved_uci = uci_mode;
    node_count = 1234;

    uci_mode = 1;
    testing::internal::CaptureStdout();
    send_info("\n\nBook move found");
    report_io_error(node_count);
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        "info Book move found\n"
        "info string Erreur P_456 : Disque - Pas de bibliothèque d'ouverture ! en : 1234\n\n");

    uci_mode = 0;
    testing::internal::CaptureStdout();
    send_info("\nBook move found");
    report_io_error(node_count);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\nBook move found\n"
              "\nErreur P_456 : Disque - Pas de bibliothèque d'ouverture ! en : 1234\n");

    uci_mode = saved_uci;
    node_count = 0;
}

} // namespace
