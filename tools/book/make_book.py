#!/usr/bin/env python3
"""Builds the opening book pellan.txt from the readable tree of lines in openings.txt.

Every line is replayed on a small board of this script's own (full move rules: checks, pins,
castling, en passant), so a move that is illegal or ambiguous stops the build. With
--stockfish PATH every game is checked once more by Stockfish: each move must be among the
legal moves ("go perft 1") of the position before it.

openings.txt: "Name | moves" lines; an indented line continues the moves of the line above it
with less indentation. Each line without continuations is one book game. A move written with a
trailing "?" is playable but dubious: it gets a low weight. Other weights follow how many of
the book's games from the same position go on with that move (20 for a rare one up to 60).

    python3 tools/book/make_book.py [--stockfish /usr/games/stockfish] [-o pellan.txt]
"""
import argparse
import os
import subprocess
import sys

FILES = "abcdefgh"
KNIGHT = [(1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2)]
KING = [(1, 0), (-1, 0), (0, 1), (0, -1), (1, 1), (1, -1), (-1, 1), (-1, -1)]
ROOK = [(1, 0), (-1, 0), (0, 1), (0, -1)]
BISHOP = [(1, 1), (1, -1), (-1, 1), (-1, -1)]
MIN_PLIES, MAX_PLIES = 8, 20


def square_name(f, r):
    return FILES[f] + str(r + 1)


class Board:
    """Squares (file, rank) 0..7; pieces "P N B R Q K", white upper case, black lower case."""

    def __init__(self):
        self.sq = {}
        for f, p in enumerate("RNBQKBNR"):
            self.sq[(f, 0)] = p
            self.sq[(f, 1)] = "P"
            self.sq[(f, 6)] = "p"
            self.sq[(f, 7)] = p.lower()
        self.white = True
        self.castling = set("KQkq")
        self.ep = None

    def own(self, p, white):
        return p is not None and p.isupper() == white

    def attacked(self, target, by_white):
        tf, tr = target
        for (f, r), p in self.sq.items():
            if not self.own(p, by_white):
                continue
            kind = p.upper()
            df, dr = tf - f, tr - r
            if kind == "P":
                if dr == (1 if by_white else -1) and abs(df) == 1:
                    return True
            elif kind == "N":
                if (df, dr) in KNIGHT:
                    return True
            elif kind == "K":
                if max(abs(df), abs(dr)) == 1:
                    return True
            else:
                dirs = (ROOK if kind == "R" else BISHOP if kind == "B" else ROOK + BISHOP)
                for sf, sr in dirs:
                    cf, cr = f + sf, r + sr
                    while 0 <= cf < 8 and 0 <= cr < 8:
                        if (cf, cr) == target:
                            return True
                        if (cf, cr) in self.sq:
                            break
                        cf, cr = cf + sf, cr + sr
        return False

    def pseudo_moves(self):
        """(from, to, promotion, special) with special in None, 'castle', 'ep'."""
        w = self.white
        moves = []
        for (f, r), p in list(self.sq.items()):
            if not self.own(p, w):
                continue
            kind = p.upper()
            if kind == "P":
                step = 1 if w else -1
                last = 7 if w else 0
                one = (f, r + step)
                if 0 <= one[1] < 8 and one not in self.sq:
                    moves += self.pawn_moves((f, r), one, last)
                    two = (f, r + 2 * step)
                    if r == (1 if w else 6) and two not in self.sq:
                        moves.append(((f, r), two, None, None))
                for df in (-1, 1):
                    t = (f + df, r + step)
                    if not (0 <= t[0] < 8 and 0 <= t[1] < 8):
                        continue
                    if self.own(self.sq.get(t), not w):
                        moves += self.pawn_moves((f, r), t, last)
                    elif t == self.ep:
                        moves.append(((f, r), t, None, "ep"))
            elif kind in "NK":
                for df, dr in (KNIGHT if kind == "N" else KING):
                    t = (f + df, r + dr)
                    if 0 <= t[0] < 8 and 0 <= t[1] < 8 and not self.own(self.sq.get(t), w):
                        moves.append(((f, r), t, None, None))
            else:
                dirs = (ROOK if kind == "R" else BISHOP if kind == "B" else ROOK + BISHOP)
                for sf, sr in dirs:
                    cf, cr = f + sf, r + sr
                    while 0 <= cf < 8 and 0 <= cr < 8:
                        if self.own(self.sq.get((cf, cr)), w):
                            break
                        moves.append(((f, r), (cf, cr), None, None))
                        if (cf, cr) in self.sq:
                            break
                        cf, cr = cf + sf, cr + sr
        rank = 0 if w else 7
        king = (4, rank)
        if self.sq.get(king) == ("K" if w else "k") and not self.attacked(king, not w):
            for side, rook_file, between, path in (("K", 7, [5, 6], [5, 6]),
                                                   ("Q", 0, [1, 2, 3], [3, 2])):
                right = side if w else side.lower()
                if right not in self.castling:
                    continue
                if self.sq.get((rook_file, rank)) != ("R" if w else "r"):
                    continue
                if any((bf, rank) in self.sq for bf in between):
                    continue
                if any(self.attacked((pf, rank), not w) for pf in path):
                    continue
                moves.append((king, (path[-1], rank), None, "castle"))
        return moves

    @staticmethod
    def pawn_moves(frm, to, last):
        if to[1] == last:
            return [(frm, to, q, None) for q in "QRBN"]
        return [(frm, to, None, None)]

    def play(self, move):
        frm, to, promo, special = move
        w = self.white
        piece = self.sq.pop(frm)
        if special == "ep":
            del self.sq[(to[0], frm[1])]
        self.sq[to] = (promo if w else promo.lower()) if promo else piece
        if special == "castle":
            rank = frm[1]
            rook_from, rook_to = ((7, rank), (5, rank)) if to[0] == 6 else ((0, rank), (3, rank))
            self.sq[rook_to] = self.sq.pop(rook_from)
        self.ep = None
        if piece.upper() == "P" and abs(to[1] - frm[1]) == 2:
            self.ep = (frm[0], (frm[1] + to[1]) // 2)
        for sq, rights in (((4, 0), "KQ"), ((4, 7), "kq"), ((0, 0), "Q"), ((7, 0), "K"),
                           ((0, 7), "q"), ((7, 7), "k")):
            if frm == sq or to == sq:
                self.castling -= set(rights)
        self.white = not w

    def copy(self):
        b = Board.__new__(Board)
        b.sq = dict(self.sq)
        b.white = self.white
        b.castling = set(self.castling)
        b.ep = self.ep
        return b

    def king_square(self, white):
        return next(s for s, p in self.sq.items() if p == ("K" if white else "k"))

    def legal_moves(self):
        result = []
        for m in self.pseudo_moves():
            b = self.copy()
            b.play(m)
            if not b.attacked(b.king_square(self.white), not self.white):
                result.append(m)
        return result

    def gives_check(self, move):
        b = self.copy()
        b.play(move)
        return b.attacked(b.king_square(b.white), not b.white)

    def san(self, move):
        """The move written as the book writes it: SAN, with a disambiguation whenever another
        piece of the kind reaches the square ignoring pins (the engine's reader ignores them)."""
        frm, to, promo, special = move
        if special == "castle":
            text = "O-O" if to[0] == 6 else "O-O-O"
        else:
            piece = self.sq[frm].upper()
            capture = to in self.sq or special == "ep"
            if piece == "P":
                text = (FILES[frm[0]] + "x" if capture else "") + square_name(*to)
                if promo:
                    text += "=" + promo
            else:
                others = [m[0] for m in self.pseudo_moves()
                          if m[1] == to and m[0] != frm and self.sq[m[0]] == self.sq[frm]]
                text = piece
                if others:
                    if all(o[0] != frm[0] for o in others):
                        text += FILES[frm[0]]
                    elif all(o[1] != frm[1] for o in others):
                        text += str(frm[1] + 1)
                    else:
                        text += square_name(*frm)
                text += ("x" if capture else "") + square_name(*to)
        if self.gives_check(move):
            b = self.copy()
            b.play(move)
            if not b.legal_moves():
                raise ValueError("the book never holds a mate: " + text)
            text += "+"
        return text

    def parse_san(self, token):
        """The single legal move the SAN token names."""
        core = token.rstrip("+")
        legal = self.legal_moves()
        matches = [m for m in legal if self.san(m).rstrip("+") == core]
        if not matches:
            # Written without a disambiguation the engine's reader needs: accept it when the
            # legal moves leave only one reading.
            matches = [m for m in legal if strip_disambiguation(self.san(m).rstrip("+")) == core]
        if len(matches) != 1:
            raise ValueError("%s: %d legal readings" % (token, len(matches)))
        return matches[0]


def strip_disambiguation(san):
    if san[0] in "NBRQK":
        tail = san[1:]
        dest = tail[-2:]
        capture = "x" if "x" in tail else ""
        return san[0] + capture + dest
    return san


def uci(move):
    frm, to, promo, _ = move
    return square_name(*frm) + square_name(*to) + (promo.lower() if promo else "")


def read_tree(path):
    """Games as (name, [(token, dubious)])."""
    games = []
    stack = []  # (indent, names, moves, node index in games or None)
    nodes = []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            indent = len(line) - len(line.lstrip(" "))
            name, _, moves = line.strip().partition("|")
            tokens = [(t.rstrip("?"), t.endswith("?")) for t in moves.split()]
            while stack and stack[-1][0] >= indent:
                stack.pop()
            names = (stack[-1][1] if stack else []) + [name.strip()]
            full = (stack[-1][2] if stack else []) + tokens
            node = {"name": ", ".join(names), "moves": full, "leaf": True, "line": number}
            if stack:
                stack[-1][3]["leaf"] = False
            nodes.append(node)
            stack.append((indent, names, full, node))
    for node in nodes:
        if node["leaf"]:
            games.append(node)
    return games


def stockfish_check(engine, games):
    """Each move of each game must be among Stockfish's legal moves of the position before it."""
    process = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def send(command):
        process.stdin.write(command + "\n")
        process.stdin.flush()

    def read_until(prefix):
        lines = []
        while True:
            line = process.stdout.readline()
            if not line:
                raise RuntimeError("stockfish ended")
            if line.startswith(prefix):
                return lines
            lines.append(line.strip())

    send("uci")
    read_until("uciok")
    checked = 0
    for game in games:
        for ply, move in enumerate(game["uci"]):
            prefix = " ".join(game["uci"][:ply])
            send("position startpos" + (" moves " + prefix if prefix else ""))
            send("go perft 1")
            lines = read_until("Nodes searched")
            legal = {l.split(":")[0] for l in lines if ":" in l}
            if move not in legal:
                raise ValueError("%s: Stockfish finds %s illegal after %s" %
                                 (game["name"], move, prefix))
            checked += 1
    send("quit")
    process.wait()
    return checked


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--tree", default=os.path.join(here, "openings.txt"))
    parser.add_argument("-o", "--output", default=os.path.join(here, "..", "..", "pellan.txt"))
    parser.add_argument("--stockfish")
    args = parser.parse_args()

    games = read_tree(args.tree)
    errors = 0
    for game in games:
        board = Board()
        game["san"], game["uci"] = [], []
        try:
            for token, _ in game["moves"]:
                move = board.parse_san(token)
                game["san"].append(board.san(move))
                game["uci"].append(uci(move))
                board.play(move)
        except ValueError as e:
            print("line %d, %s: %s" % (game["line"], game["name"], e), file=sys.stderr)
            errors += 1
            continue
        plies = len(game["moves"])
        if not MIN_PLIES <= plies <= MAX_PLIES:
            print("line %d, %s: %d plies" % (game["line"], game["name"], plies), file=sys.stderr)
            errors += 1
    if errors:
        sys.exit("%d bad lines" % errors)

    # How many games go on from each position with each move.
    through, onward, dubious = {}, {}, set()
    for game in games:
        for ply, (token, bad) in enumerate(game["moves"]):
            prefix = tuple(game["uci"][:ply])
            through[prefix] = through.get(prefix, 0) + 1
            key = (prefix, game["uci"][ply])
            onward[key] = onward.get(key, 0) + 1
            if bad:
                dubious.add(key)

    def weight(key):
        if key in dubious:
            return 10
        return round(20 + 40 * onward[key] / through[key[0]])

    names = set()
    out = []
    for game in games:
        if game["name"] in names:
            sys.exit("two games named " + game["name"])
        names.add(game["name"])
        out.append('[Event "%s"]\r\n' % game["name"])
        text = ""
        for ply, san in enumerate(game["san"]):
            key = (tuple(game["uci"][:ply]), game["uci"][ply])
            text += "%s (%02d)" % (san, weight(key))
            text += "\r\n" if (ply + 1) % 4 == 0 else " "
        if not text.endswith("\r\n"):
            text = text[:-1] + "\r\n"
        out.append(text)
    with open(args.output, "w", encoding="utf-8", newline="") as f:
        f.write("".join(out))
    print("%d games, %d plies written to %s" %
          (len(games), sum(len(g["uci"]) for g in games), os.path.normpath(args.output)))

    if args.stockfish:
        print("Stockfish finds all %d moves legal" % stockfish_check(args.stockfish, games))


if __name__ == "__main__":
    main()
