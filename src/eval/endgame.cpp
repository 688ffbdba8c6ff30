#include "eval/endgame.h"

#include "board/position.h"
#include "eval/eval_helpers.h"

namespace {

using i16 = int16_t;
constexpr i16 w16(int x) {
    return static_cast<i16>(x);
}

// Square of colour's first piece with letter (in slot order), -1 when it has none.
int first_piece(int colour, uint8_t letter) {
    for (int slot = 16 * (1 - colour); slot <= LastPieceIndex[colour]; ++slot) {
        if (PieceList[slot].letter == letter) return PieceList[slot].square;
    }
    return -1;
}

bool piece_at(int square, uint8_t letter, int colour) {
    return square >= 0 && square < 64 && Board[square].letter == letter &&
           Board[square].colour == colour;
}

int square_colour(int square) {
    return (file_of(square) + rank_of(square)) & 1;
}

bool share_diagonal(int a, int b) {
    return file_of(a) - rank_of(a) == file_of(b) - rank_of(b) ||
           file_of(a) + rank_of(a) == file_of(b) + rank_of(b);
}

bool within_one_file(int kingFile, int pawnSquare) {
    return abs_of(kingFile - file_of(pawnSquare)) <= 1;
}

// King of the colour stands in front of the enemy pawn, within one file of it.
bool guards_front(const PlyState& st, int kingColour, int pawn) {
    if (!within_one_file(st.kingFile[kingColour], pawn)) return false;
    return kingColour == Black ? st.kingRank[Black] > rank_of(pawn)
                               : st.kingRank[White] < rank_of(pawn);
}

// Lone bishop and rook pawn that cannot drive the defending king from the promotion corner.
bool wrong_bishop(const PlyState& st) {
    for (int c = 0; c < 2; ++c) {
        int e = 1 - c;
        if (st.nonPawnMaterial[c] != 330 || st.nonPawnMaterial[e] != 0) continue;
        if (st.pawnCount[c] < 1 || st.pawnCount[e] > 1) continue;
        int pawn = first_piece(c, LetterPawn);
        if (pawn < 0) continue;
        // The promotion corner of the a-file is light for White and dark for Black.
        int aFileWrong = c == White ? 0 : 1;
        int bishopColour = st.bishopSquareColour[c][0] ? 0 : 1;
        int kf = st.kingFile[e], kr = st.kingRank[e];
        bool inFront = c == White ? kr >= rank_of(pawn) : kr <= rank_of(pawn);
        if (!inFront) continue;
        if (bishopColour == aFileWrong && kf <= 1 && file_of(pawn) == 0) return true;
        if (bishopColour != aFileWrong && kf >= 6 && file_of(pawn) == 7) return true;
    }
    return false;
}

// Small near-draw values of the material recognisers; false when none applies.
bool recognise_material(const PlyState& st, i16 score, i16& value) {
    const int wN = st.nonPawnMaterial[White], bN = st.nonPawnMaterial[Black];
    const int wP = st.pawnCount[White], bP = st.pawnCount[Black];
    const int wK = st.kingSquare[White], bK = st.kingSquare[Black];
    const int pw = st.topPasser[White], pb = st.topPasser[Black];
    switch (abs_of(st.material)) {
    case 110:
        if (wN == 330 && st.bishopCount[White] == 1 && wP == 1 && bN == 320 && bP == 0) {
            int bishop = first_piece(White, LetterBishop);
            if (guards_front(st, Black, pw) && bishop >= 0 &&
                square_colour(bK) == square_colour(bishop)) {
                value = w16(rank_of(pw));
                return true;
            }
        }
        return false;
    case 220:
        if (bN == 320 && bP == 0) {
            for (int t = pw + 1; t <= make_square(file_of(pw), 7); ++t) {
                if (piece_at(t, LetterKnight, Black) || piece_at(t + 6, LetterKnight, Black) ||
                    piece_at(t - 10, LetterKnight, Black)) {
                    value = w16(rank_of(pw));
                    return true;
                }
            }
            if (st.kingFile[Black] == file_of(pw) && st.kingRank[Black] > rank_of(pw)) {
                value = w16(rank_of(pw));
                return true;
            }
        } else if (wN == 320 && wP == 0) {
            for (int t = pb - 1; t >= make_square(file_of(pb), 0); --t) {
                if (piece_at(t, LetterKnight, White) || piece_at(t - 6, LetterKnight, White) ||
                    piece_at(t + 10, LetterKnight, White)) {
                    value = w16(rank_of(pb) - 7);
                    return true;
                }
            }
            if (st.kingFile[White] == file_of(pb) && st.kingRank[White] < rank_of(pb)) {
                value = w16(rank_of(pb) - 7);
                return true;
            }
        }
        return false;
    case 230:
        if (bN == 330 && bP == 0) {
            int bishop = first_piece(Black, LetterBishop);
            for (int t = pw + 1; bishop >= 0 && t <= make_square(file_of(pw), 7); ++t) {
                if (share_diagonal(t, bishop)) {
                    value = w16(rank_of(pw));
                    return true;
                }
            }
            if (guards_front(st, Black, pw)) {
                value = w16(rank_of(pw));
                return true;
            }
        } else if (wN == 330 && wP == 0) {
            int bishop = first_piece(White, LetterBishop);
            for (int t = pb - 1; bishop >= 0 && t >= make_square(file_of(pb), 0); --t) {
                if (share_diagonal(t, bishop)) {
                    value = w16(rank_of(pb) - 7);
                    return true;
                }
            }
            if (guards_front(st, White, pb)) {
                value = w16(rank_of(pb) - 7);
                return true;
            }
        }
        return false;
    case 400:
        // A rook against a lone pawn. With a rook on each side the same balance is a rook and
        // four pawns against a rook, which is no draw.
        if (wN == 500 && wP == 0 && bN == 0) {
            int q = make_square(file_of(pb), 0);
            int dB = square_distance(pb, bK);
            int dW = square_distance(q, wK) - (SideToMove == White ? 1 : 0);
            if (dB <= 1 && rank_of(pb) <= 3 && square_distance(q, bK) <= dW - 3) {
                value = w16(rank_of(pb));
                return true;
            }
        } else if (bN == 500 && bP == 0 && wN == 0) {
            int q = make_square(file_of(pw), 7);
            int dW = square_distance(pw, wK);
            int dB = square_distance(q, bK) - (SideToMove == Black ? 1 : 0);
            if (dW <= 1 && rank_of(pw) >= 4 && square_distance(q, wK) <= dB - 3) {
                value = w16(rank_of(pw) - 7);
                return true;
            }
        }
        return false;
    case 90:
        if (wN == 320 && wP == 1 && bN == 330 && bP == 0 && guards_front(st, Black, pw)) {
            value = w16(rank_of(pw));
            return true;
        }
        if (bN == 320 && bP == 1 && wN == 330 && wP == 0 && guards_front(st, White, pb)) {
            value = w16(rank_of(pb) - 7);
            return true;
        }
        return false;
    case 20:
    case 30:
        if ((wN == 320 || wN == 330) && bP == 0) {
            if (guards_front(st, Black, pw)) {
                value = w16(score >> 2);
                return true;
            }
        } else if ((bN == 320 || bN == 330) && wP == 0 && guards_front(st, White, pb)) {
            value = w16(score >> 2);
            return true;
        }
        return false;
    default: return false;
    }
}

} // namespace

EndgameScore score_endgame(SearchNode& node, int16_t bs, int16_t ka, int16_t mb, int16_t fp,
                           int16_t adj) {
    const PlyState& st = *node.state;
    const int m = st.material;
    const int wN = st.nonPawnMaterial[White], bN = st.nonPawnMaterial[Black];
    const int wP = st.pawnCount[White], bP = st.pawnCount[Black];
    const int wKf = st.kingFile[White], wKr = st.kingRank[White];
    const int bKf = st.kingFile[Black], bKr = st.kingRank[Black];

    i16 score = w16(bs + st.squareValueTotal / 30 + st.extraTotal + 2 * ka + mb + fp + adj);

    // The side ahead without pawns struggles to win.
    if (m > 0 && wP == 0)
        score = w16(score - 100);
    else if (m < 0 && bP == 0)
        score = w16(score + 100);

    // A lone minor piece against pawns and pieces.
    bool rookAgainstKnight = false;
    if (bN == 320) {
        score = w16(score + (st.passedCount[White] >= 2 ? 140 : 50));
        if (score < -100 && wN == 500) {
            score = w16(score + 100);
            rookAgainstKnight = true;
        }
    }
    if (!rookAgainstKnight && wN == 320) {
        score = w16(score - (st.passedCount[Black] >= 2 ? 140 : 50));
        if (score >= 101 && bN == 500) {
            score = w16(score - 100);
            rookAgainstKnight = true;
        }
    }
    if (!rookAgainstKnight) {
        if (bN == 330) score = w16(score + (st.passedCount[White] >= 2 ? 100 : 50));
        if (wN == 330) score = w16(score - (st.passedCount[Black] >= 2 ? 100 : 50));
    }

    if (opposite_coloured_bishops(st)) {
        if (st.rookCount[Black] || st.rookCount[White]) {
            score = pull_towards_draw(score);
        } else {
            int mm = m != 0 ? m : sign_of(score);
            int favoured = mm > 0 ? White : Black;
            if (abs_of(mm) < 300 && sign_of(score) == sign_of(mm) && st.passedCount[favoured] < 2)
                score = w16(score >> 2);
        }
    }

    if (wrong_bishop(st)) score = w16(score >> 7);

    if (bP + wP == 1 && st.knightCount[White] + st.bishopCount[White] == 1 &&
        st.knightCount[Black] + st.bishopCount[Black] == 1)
        score = w16(score >> 1);

    // Rook and pawn against rook: scaled down when the defending king blocks the pawn.
    if (wN == 500 && bN == 500) {
        if (bP == 1 && wP == 0) {
            int p = st.topPasser[Black];
            if (!within_one_file(wKf, p) || wKr >= rank_of(p)) return {score, true};
            if (!within_one_file(bKf, p)) return {w16(score >> 3), true};
            return {bKr < 3 ? score : w16(score >> 3), true};
        }
        if (wP == 1 && bP == 0) {
            int p = st.topPasser[White];
            if (!within_one_file(bKf, p) || bKr <= rank_of(p)) return {score, true};
            if (!within_one_file(wKf, p)) return {w16(score >> 3), true};
            return {wKr >= 5 ? score : w16(score >> 3), true};
        }
    }

    // One pawn up without passers, the defending king in the centre of its own side.
    if (abs_of(m) == 100 && st.passedCount[Black] + st.passedCount[White] == 0 &&
        ((wN == 500 && bN == 500) || (wN >= 320 && wN <= 499 && bN >= 320 && bN <= 499))) {
        if ((m > 0 && bKr >= 5 && bKf >= 2 && bKf <= 5) ||
            (m < 0 && wKr <= 2 && wKf >= 2 && wKf <= 5))
            score = w16(score >> 1);
    }

    i16 recognised;
    if (recognise_material(st, score, recognised)) return {recognised, true};

    // Rook and a single passed pawn.
    if (wN == 500 && wP == 1 && st.passedCount[White] >= 1 && score >= 1 && bN >= 321)
        return {guards_front(st, Black, st.topPasser[White]) ? w16(score >> 2) : score, true};
    if (bN == 500 && bP == 1 && st.passedCount[Black] >= 1 && score < 0 && wN >= 321)
        return {guards_front(st, White, st.topPasser[Black]) ? w16(score >> 2) : score, true};

    // Pawn structure counts little for the side whose pieces are all gone.
    if ((wN == 0 && bN >= 1 && st.pawnScore > 0) || (bN == 0 && wN >= 1 && st.pawnScore < 0))
        score = w16(score + (st.pawnScore >> 4) - st.pawnScore);

    // Lone knight against passed pawns: the pawn side gains unless the knight's king gets there.
    if (bN == 0 && wN == 320 && st.passedCount[Black] >= 1 && st.passedCount[White] == 0) {
        int p = st.topPasser[Black];
        int q = make_square(file_of(p), 0);
        int dW = square_distance(st.kingSquare[White], q);
        int dB = square_distance(st.kingSquare[Black], q);
        if (dW - (SideToMove == White ? 1 : 0) > rank_of(p) || dB < dW) score = w16(score - 80);
    } else if (wN == 0 && bN == 320 && st.passedCount[White] >= 1 && st.passedCount[Black] == 0) {
        int p = st.topPasser[White];
        int q = make_square(file_of(p), 7);
        int dB = square_distance(st.kingSquare[Black], q);
        int dW = square_distance(st.kingSquare[White], q);
        if (dB - (SideToMove == Black ? 1 : 0) > 7 - rank_of(p) || dW < dB) score = w16(score + 80);
    }
    return {score, false};
}
