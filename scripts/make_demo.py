#!/usr/bin/env python3
"""Writes the demo set-up that lets a newcomer try every feature without a
real MAME or a real score server: a small game list for the stand-in MAME,
a few high-score tables and one recording for the local score server.

    make_demo.py DEMO_DIR

DEMO_DIR/games.txt            the stand-in MAME's game list (MAME -listfull layout)
DEMO_DIR/server/scores/*.txt  score tables, one per game
DEMO_DIR/server/inp/*.zip     recordings (a zip holding one INP)
"""
import os
import sys
import zipfile

GAMES = [
    ("1942", "1942 (Revision B)"),
    ("dkong", "Donkey Kong (US set 1)"),
    ("galaga", "Galaga (Namco rev. B)"),
    ("mspacman", "Ms. Pac-Man"),
    ("pacman", "Pac-Man (Midway)"),
    ("puckman", "PuckMan (Japan set 1)"),
    ("robotron", "Robotron: 2084 (Solid Blue label)"),
    ("sf2", "Street Fighter II: The World Warrior (World 910522)"),
]

# score, confirmed, field3, version, uploaded (UTC seconds), recording,
# field7, player, game name, position, points, description
SCORES = {
    "pacman": [
        ("3333360", 1, "tg", "0.78", 1036454400, "pacman_demo", "fast", "Demo Player", "Pac-Man (Midway)", 1,
         "100", "A perfect game, recorded for the demo."),
        ("1254730", 0, "tg", "0.37b16", 1033776000, "pacman_demo", "fast", "Second Player", "Pac-Man (Midway)", 2,
         "71.5", "Made with a version the demo does not list: Vornix asks before playing it with another."),
        ("87650", 2, "tg", "0.78", 1030838400, "pacman_missing", "fast", "Third Player", "Pac-Man (Midway)", 3,
         "12.9", "Its recording is not on the demo server."),
    ],
    "galaga": [
        ("1402960", 1, "tg", "0.78", 1017792000, "galaga_none", "fast", "Galaga Ace", "Galaga (Namco rev. B)", 1,
         "100", "No recording on the demo server."),
    ],
    "mspacman": [
        ("933580", 1, "tg", "0.78", 1023148800, "mspacman_none", "fast", "Maze Runner", "Ms. Pac-Man", 1,
         "100", "The player's score line shows how long names are cut."),
    ],
}


def score_line(s):
    return ("('%s','%d','%s','%s','%d','%s','%s','%s',\"%s\",'%d','%s','%s')<P>\n"
            % (s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11]))


def main(demo):
    os.makedirs(os.path.join(demo, "server", "scores"), exist_ok=True)
    os.makedirs(os.path.join(demo, "server", "inp"), exist_ok=True)
    with open(os.path.join(demo, "games.txt"), "w", newline="\r\n") as f:
        f.write('Name:     Description:\n')
        for short, description in GAMES:
            f.write('%-10s"%s"\n' % (short, description))
    for game, rows in SCORES.items():
        with open(os.path.join(demo, "server", "scores", game + ".txt"), "w", newline="\n") as f:
            f.write("ZEPH scores for %s<P>\n" % game)
            for row in rows:
                f.write(score_line(row))
    inp = b"pacman\0\0" + bytes(range(256)) * 8
    with zipfile.ZipFile(os.path.join(demo, "server", "inp", "pacman_demo.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("readme.txt", "A demo recording for Vornix.\n")
        z.writestr("pacman_demo.inp", inp)


if __name__ == "__main__":
    main(sys.argv[1])
