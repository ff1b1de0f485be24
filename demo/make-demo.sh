#!/usr/bin/env bash
# Regenerates the demo catalogue in demo/spartiti/ (archive, genres, page
# images, audio tracks) and renders the PNG icons in app/icons/ from their SVG
# sources. Output is deterministic: running it twice gives identical files.
#
# Needs: python3, ImageMagick (convert), lame, rsvg-convert (librsvg2-bin),
# fonts-dejavu-core (scripts/install-deps.sh demo). The generated files are
# committed, so this only has to be run after changing it.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="$here/spartiti"
icons="$root/app/icons"

for tool in python3 convert lame rsvg-convert; do
  command -v "$tool" >/dev/null || { echo "make-demo.sh: missing $tool" >&2; exit 1; }
done

mkdir -p "$out/audio"
# Pages and tracks of scores that no longer have them must not linger.
rm -f "$out"/*.jpg "$out"/audio/*.mp3
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 - "$out" "$work" <<'PY'
import math, os, struct, subprocess, sys, wave

out, work = sys.argv[1], sys.argv[2]

SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"
SERIF_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
SERIF_ITALIC = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Italic.ttf"
SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

# ---------------------------------------------------------------- genres ----
GENRES = [
    "Musica classica", "Opera lirica", "Canzone napoletana", "Musica sacra",
    "Barocco", "Romantico", "Musica da camera", "Canto popolare",
    "Canti di Natale", "Ninne nanne", "Studi ed esercizi", "Valzer",
    "Tango", "Marcia", "Liscio", "Jazz", "Blues", "Swing", "Rock", "Pop",
    "Cantautori", "Colonne sonore", "Musical", "Gospel", "Country",
    "Bossa nova", "Reggae", "Folk", "Musica antica", "Musica contemporanea",
    "Operetta", "Canti alpini", "Attività didattiche",
]
assert len(GENRES) == 33 and len(set(GENRES)) == 33

# ---------------------------------------------------------------- scores ----
# (title, author, tags, genre number 1..33 or 0 for none)
# The editor opens on the last score, so the last one has both pages and a track.
SCORES = [
    ("La donna è mobile", "Verdi, Giuseppe", "aria tenore rigoletto", 2),
    ("Eine kleine Nachtmusik", "Mozart, Wolfgang Amadeus", "serenata archi allegro", 7),
    ("O sole mio", "Di Capua, Eduardo", "napoli serenata voce", 3),
    ("Per Elisa 1", "Beethoven, Ludwig van", "pianoforte bagatella", 1),
    ("Per Elisa 2", "Beethoven, Ludwig van", "pianoforte bagatella", 1),
    ("La primavera", "Vivaldi, Antonio", "violino concerto stagioni", 5),
    ("Funiculì funiculà", "Denza, Luigi", "napoli vesuvio allegro", 3),
    ("Santa Lucia", "Cottrau, Teodoro", "napoli barcarola", 3),
    ("Sul bel Danubio blu", "Strauss, Johann", "orchestra vienna", 12),
    ("Va, pensiero", "Verdi, Giuseppe", "coro nabucco", 2),
    ("Nessun dorma", "Puccini, Giacomo", "aria tenore turandot", 2),
    ("Largo al factotum", "Rossini, Gioachino", "aria baritono barbiere", 2),
    ("Aria sulla quarta corda", "Bach, Johann Sebastian", "suite orchestra aria", 5),
    ("Ave Maria", "Schubert, Franz", "sacro voce pianoforte", 4),
    ("Tu scendi dalle stelle", "de Liguori, Alfonso Maria", "natale pastorale", 9),
    ("Ninna nanna", "Brahms, Johannes", "culla voce pianoforte", 10),
    ("Marcia turca", "Mozart, Wolfgang Amadeus", "pianoforte sonata rondo", 0),
    ("Là ci darem la mano", "Mozart, Wolfgang Amadeus", "duetto don giovanni", 0),
    ("Lassù sulle montagne", "Tradizionale", "alpini coro montagna", 32),
    ("Studio in do maggiore", "Czerny, Carl", "esercizi pianoforte principianti", 11),
    ("Torna a Surriento", "De Curtis, Ernesto", "napoli sorrento", 0),
    ("Bella ciao", "Tradizionale", "canto popolare resistenza", 8),
]

def check_value(v):
    assert '"' not in v and "\r" not in v and "\n" not in v, v
    v.encode("cp1252")

def write_js(path, text_lines):
    data = "".join(l + "\r\n" for l in text_lines).encode("cp1252")
    with open(path, "wb") as f:
        f.write(data)

lines = ["var archivio = ["]
for r, (title, author, tags, genre) in enumerate(SCORES, start=1):
    assert 0 <= genre <= 33
    for v in (str(r), title, author, tags, str(genre)):
        check_value(v)
        lines.append('"%s",' % v)
lines.append(" ];")
write_js(os.path.join(out, "archivio.js"), lines)

lines = ["var generi = ["]
for g in GENRES:
    check_value(g)
    lines.append('"%s",' % g)
lines.append(" ];")
write_js(os.path.join(out, "generi.js"), lines)

# ----------------------------------------------------------------- pages ----
W, H = 620, 877
GAP = 7            # distance between staff lines
LEFT, RIGHT = 48, 572

class Lcg:
    """Tiny deterministic generator, independent of Python's random module."""
    def __init__(self, seed):
        self.s = (seed * 2654435761 + 12345) & 0xFFFFFFFF
    def next(self, n):
        self.s = (self.s * 1664525 + 1013904223) & 0xFFFFFFFF
        return (self.s >> 8) % n

def display_author(a):
    if ", " in a:
        surname, name = a.split(", ", 1)
        return name + " " + surname
    return a

def clef(x, top):
    """A stylised G clef around the second line from the bottom."""
    g = top + 3 * GAP  # the G line
    return [
        "stroke black", "fill none", "stroke-width 1.6",
        "path 'M %.1f,%.1f C %.1f,%.1f %.1f,%.1f %.1f,%.1f C %.1f,%.1f %.1f,%.1f %.1f,%.1f'" % (
            x + 1, top + 4 * GAP + 10,        # bottom of the stem
            x + 1, top + 10, x + 1, top - 2, x + 4, top - 9,   # up to the top
            x + 9, top - 4, x + 6, top + 6, x - 4, g - 6),     # top curl coming down
        "path 'M %.1f,%.1f C %.1f,%.1f %.1f,%.1f %.1f,%.1f C %.1f,%.1f %.1f,%.1f %.1f,%.1f'" % (
            x - 4, g - 6,
            x - 12, g + 2, x - 6, g + 11, x + 2, g + 9,
            x + 10, g + 6, x + 6, g - 4, x + 1, g - 2),
        "fill black", "stroke none",
        "circle %.1f,%.1f %.1f,%.1f" % (x - 3, top + 4 * GAP + 9, x - 0.5, top + 4 * GAP + 9),
    ]

def staff_prims(top, first, rng, final, timesig):
    p = ["stroke black", "stroke-width 1", "fill none"]
    for i in range(5):
        y = top + i * GAP
        p.append("line %d,%.1f %d,%.1f" % (LEFT, y, RIGHT, y))
    p.append("line %d,%.1f %d,%.1f" % (LEFT, top, LEFT, top + 4 * GAP))
    p += clef(LEFT + 16, top)
    x = LEFT + 40
    if first:
        p += ["fill black", "stroke none", "font '%s'" % SERIF_BOLD, "font-size 15",
              "text %d,%.1f '%s'" % (x, top + 13, timesig[0]),
              "text %d,%.1f '%s'" % (x, top + 27, timesig[1])]
        x += 22
    beats = int(timesig[0])
    pos = 4 + rng.next(3) - 1
    count = 0
    while True:
        x += 24 + rng.next(9)
        if x > RIGHT - 18:
            break
        pos = max(-1, min(9, pos + rng.next(5) - 2))
        y = top + 4 * GAP - pos * GAP / 2.0
        hollow = rng.next(7) == 0
        p.append("stroke black")
        p.append("stroke-width 1.3")
        p.append("fill %s" % ("white" if hollow else "black"))
        p.append("push graphic-context")
        p.append("translate %.1f,%.1f" % (x, y))
        p.append("rotate -20")
        p.append("ellipse 0,0 4.8,3.4 0,360")
        p.append("pop graphic-context")
        p.append("stroke-width 1.1")
        if pos < 4:
            p.append("line %.1f,%.1f %.1f,%.1f" % (x + 4.3, y - 1, x + 4.3, y - 24))
        else:
            p.append("line %.1f,%.1f %.1f,%.1f" % (x - 4.3, y + 1, x - 4.3, y + 24))
        count += 1
        if count % beats == 0 and x < RIGHT - 40:
            bx = x + 14
            p.append("stroke-width 1")
            p.append("line %.1f,%.1f %.1f,%.1f" % (bx, top, bx, top + 4 * GAP))
            x = bx - 8
    p.append("stroke-width 1")
    if final:
        p.append("line %d,%.1f %d,%.1f" % (RIGHT - 5, top, RIGHT - 5, top + 4 * GAP))
        p += ["fill black", "stroke none",
              "rectangle %d,%.1f %d,%.1f" % (RIGHT - 2, top, RIGHT + 1, top + 4 * GAP)]
    else:
        p.append("line %d,%.1f %d,%.1f" % (RIGHT, top, RIGHT, top + 4 * GAP))
    return p

def mvg_text(s):
    return s.replace("\\", "\\\\").replace("'", "\\'")

def render(path, prims, annotations):
    # The drawing goes inline: ImageMagick policies often forbid "@file".
    cmd = ["convert", "-size", "%dx%d" % (W, H), "xc:white",
           "-draw", "\n".join(prims)]
    for font, size, colour, gravity, offset, text in annotations:
        cmd += ["-font", font, "-pointsize", str(size), "-fill", colour,
                "-gravity", gravity, "-annotate", offset, text]
    cmd += ["-strip", "-sampling-factor", "2x2", "-quality", "85", path]
    subprocess.run(cmd, check=True)

def page(number, side):
    title, author, _, _ = SCORES[number - 1]
    rng = Lcg(number * 2 + (1 if side == "R" else 0))
    timesig = [("3", "4"), ("4", "4"), ("2", "4"), ("6", "8")][rng.next(4)]
    prims = []
    ann = []
    if side == "L":
        ann.append((SERIF_BOLD, 24, "black", "North", "+0+34", title))
        ann.append((SERIF_ITALIC, 14, "black", "NorthEast", "+48+78", display_author(author)))
        first_top, systems = 128, 9
    else:
        ann.append((SERIF_ITALIC, 12, "gray30", "North", "+0+30", title))
        first_top, systems = 82, 10
    spacing = (H - 70 - first_top) / (systems - 0.6)
    for i in range(systems):
        top = first_top + i * spacing
        prims += staff_prims(top, i == 0 and side == "L", rng,
                             final=(side == "R" and i == systems - 1), timesig=timesig)
    ann.append((SERIF, 12, "black", "South", "+0+22", str(2 * number - (1 if side == "L" else 0))))
    render(os.path.join(out, "%d%s.jpg" % (number, side)), prims, ann)

def placeholder(path):
    prims = ["stroke gray80", "stroke-width 1", "fill none"]
    top = H / 2 + 20
    for i in range(5):
        y = top + i * GAP
        prims.append("line %d,%.1f %d,%.1f" % (LEFT + 40, y, RIGHT - 40, y))
    prims.append("stroke gray85")
    prims.append("rectangle 20,20 %d,%d" % (W - 21, H - 21))
    ann = [(SANS, 24, "gray65", "Center", "+0-40", "Pagina non ancora inserita")]
    render(path, prims, ann)

placeholder(os.path.join(out, "m.jpg"))
for n in (1, 2, 3, 4, 5, 22):
    page(n, "L")
    page(n, "R")
page(6, "L")   # its right page is the placeholder, copied below
page(7, "L")   # left page only

# ---------------------------------------------------------------- tracks ----
RATE = 22050

def midi_freq(m):
    return 440.0 * 2 ** ((m - 69) / 12.0)

NOTE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}

def parse(melody):
    """'E5/1 F#5/2 ...' -> [(midi, beats)]; 'R' is a rest."""
    res = []
    for tok in melody.split():
        name, beats = tok.split("/")
        beats = float(beats)
        if name == "R":
            res.append((None, beats))
            continue
        semi = NOTE[name[0]]
        rest = name[1:]
        if rest.startswith("#"):
            semi += 1; rest = rest[1:]
        elif rest.startswith("b"):
            semi -= 1; rest = rest[1:]
        res.append((12 * (int(rest) + 1) + semi, beats))
    return res

def synth(path, melody, beat):
    samples = []
    for midi, beats in parse(melody):
        n = int(RATE * beats * beat)
        if midi is None:
            samples += [0.0] * n
            continue
        f = midi_freq(midi)
        for i in range(n):
            t = i / RATE
            env = min(1.0, t / 0.01) * math.exp(-3.0 * t) * min(1.0, (n - i) / (0.02 * RATE))
            v = (math.sin(2 * math.pi * f * t)
                 + 0.35 * math.sin(4 * math.pi * f * t)
                 + 0.15 * math.sin(6 * math.pi * f * t))
            samples.append(0.45 * env * v)
    samples += [0.0] * int(RATE * 0.3)
    wav = os.path.join(work, os.path.basename(path) + ".wav")
    with wave.open(wav, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1, min(1, s)) * 32000)) for s in samples))
    subprocess.run(["lame", "--quiet", "-m", "m", "-b", "64", "--noreplaygain",
                    "--tt", os.path.basename(path), wav, path], check=True)

tracks = {
    1: ("E5/1 E5/1 E5/1 G5/1.5 F5/0.5 D5/1 "
        "D5/1 D5/1 D5/1 F5/1.5 E5/0.5 C5/1 "
        "G5/1 A5/1 G5/1 F5/1 E5/1 D5/1 C5/3", 0.22),
    3: ("G4/1 A4/1 B4/1 C5/1.5 B4/0.5 A4/1 G4/1 "
        "E5/2 D5/1 C5/1 B4/1 A4/1 G4/3", 0.3),
    22: ("E4/1 A4/1 B4/1 C5/1 A4/2 R/1 "
        "E4/1 A4/1 B4/1 C5/1 A4/2 R/1 "
        "E4/1 A4/1 B4/1 C5/2 B4/1 A4/1 C5/2 B4/1 A4/1 E5/2 E5/1 E5/1 E5/3", 0.16),
}
for n, (melody, beat) in tracks.items():
    synth(os.path.join(out, "audio", "%d.mp3" % n), melody, beat)
PY

cp "$out/m.jpg" "$out/6R.jpg"

# Icons: the SVG files are the sources, the PNGs are renderings of them.
rsvg-convert -w 60 -h 70 "$icons/track.svg" -o "$icons/track.png"
rsvg-convert -w 256 -h 256 "$icons/spartiti.svg" -o "$icons/spartiti-256.png"

echo "demo data written to $out"
