#!/usr/bin/env bash
# Opens the page `eveda-batch --viewer` writes in headless Chromium: the screenshot shows the
# grid (a few of its pixels are those of the pyramid's tiles), and zooming in makes the page
# ask for tiles of a deeper level than it showed at first. With --picture FILE, the
# screenshot is also kept as FILE (README's docs/viewer.png).
# Usage: viewer_check.sh [BUILD] [--picture FILE]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
picture=
[[ ${2-} == --picture ]] && picture=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "viewer_check: $*" >&2; exit 1; }
browser=$(command -v chromium || command -v chromium-browser) || fail "chromium is not installed"

# Four cells of 800 x 600 in four colours, and a pattern across each so the picture shows detail.
mkdir "$work/src"
python3 - "$work/src" <<'PY'
import struct, sys
colours = [(200, 40, 40), (40, 160, 60), (40, 80, 200), (220, 180, 40)]
for i, (r, g, b) in enumerate(colours):
    w, h = 800, 600
    stride = (w * 3 + 3) & ~3
    rows = bytearray()
    for y in range(h - 1, -1, -1):
        dark = y < 120 and (y // 40) % 2 == 0  # two dark stripes at the top of each cell
        row = bytes([b // 2, g // 2, r // 2] if dark else [b, g, r]) * w
        rows += row + b"\0" * (stride - w * 3)
    header = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
    header += struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 0, 0, 0, 0)
    open(f"{sys.argv[1]}/cell{i}.bmp", "wb").write(header + rows)
PY
"$build/bin/eveda-batch" -q -w 2 --tile-format png --viewer -o "$work/grid.dzi" "$work/src" >/dev/null
[[ -f $work/grid.html && -f $work/openseadragon/openseadragon.min.js ]] ||
  fail "no page or no OpenSeadragon beside it"

run_browser() {
  timeout 60 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --allow-file-access-from-files --force-device-scale-factor=1 --window-size=800,600 \
    --virtual-time-budget=6000 "$@" 2>/dev/null
}

echo "-- zooming in asks for deeper tiles"
# The page itself, with a few lines that note which image pixels three points of the first
# view show and the levels of the tiles it loads, then zoom in as far as it goes, and put what
# they saw in the title. Headless Chromium's virtual time runs almost no animation frames, so
# the lines step OpenSeadragon's drawing themselves.
sed 's|</body>|<script>\
var levels = [], zoomed = [], points = [];\
viewer.addHandler("tile-loaded", function (e) { (viewer.__zoomed ? zoomed : levels).push(e.tile.level); });\
viewer.addHandler("open", function () { setTimeout(function () {\
  [[200, 250], [100, 500], [600, 500]].forEach(function (s) {\
    var p = viewer.viewport.viewerElementToImageCoordinates(new OpenSeadragon.Point(s[0], s[1]));\
    points.push(s[0] + "," + s[1] + "," + Math.floor(p.x) + "," + Math.floor(p.y)); });\
  viewer.__zoomed = true; viewer.viewport.zoomTo(viewer.viewport.getMaxZoom(), null, true);\
  setInterval(function () { viewer.viewport.update(); viewer.world.update(true); viewer.world.draw(); }, 250);\
  setTimeout(function () { document.title = "levels " + Math.max.apply(null, levels) + " " +\
    Math.max.apply(null, zoomed) + " " + points.join(" "); }, 3000);\
}, 1000); });\
</script></body>|' "$work/grid.html" >"$work/zoom.html"
title=$(run_browser --dump-dom "file://$work/zoom.html" | sed -n 's|.*<title>\(.*\)</title>.*|\1|p')
[[ $title =~ ^levels\ ([0-9]+)\ ([0-9]+)\ (.*)$ ]] || fail "the page said '$title', not the levels it loaded"
points=${BASH_REMATCH[3]}
((BASH_REMATCH[2] > BASH_REMATCH[1])) ||
  fail "zoomed in, the page loaded level ${BASH_REMATCH[2]}, no deeper than ${BASH_REMATCH[1]}"
echo "   first view up to level ${BASH_REMATCH[1]}, zoomed in level ${BASH_REMATCH[2]}"
echo "-- the page shows the grid"
run_browser --screenshot="$work/shot.png" "file://$work/grid.html" >/dev/null
[[ -s $work/shot.png ]] || fail "chromium took no screenshot"
python3 - "$work/shot.png" "$work/grid_files/11" $points <<'PY' || fail "the screenshot does not show the tiles' colours"
import struct, sys, zlib

def read_png(path):
    data = open(path, "rb").read()
    at, chunks, width = 8, b"", 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            channels = {2: 3, 6: 4}[colour]
        elif kind == b"IDAT":
            chunks += body
        at += 12 + length
    raw, stride, rows, prev = zlib.decompress(chunks), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = prev[i], prev[i - channels] if i >= channels else 0
            p = a + b - c
            pred = [0, a, b, (a + b) // 2, a if abs(p - a) <= min(abs(p - b), abs(p - c)) else (b if abs(p - b) <= abs(p - c) else c)][kind]
            line[i] = (line[i] + pred) & 255
        rows.append(line)
        prev = line
    return lambda x, y: tuple(rows[y][x * channels:x * channels + 3])

shot = read_png(sys.argv[1])
# Where the page put three image pixels (the navigator is top right, out of their way).
for point in sys.argv[3:]:
    sx, sy, ix, iy = map(int, point.split(","))
    if not (0 <= ix < 1600 and 0 <= iy < 1200):
        sys.exit(f"{sx},{sy} shows no pixel of the grid")
    tile = read_png(f"{sys.argv[2]}/{ix // 254}_{iy // 254}.png")
    expected = tile(ix - (ix // 254) * 254 + (1 if ix >= 254 else 0),
                    iy - (iy // 254) * 254 + (1 if iy >= 254 else 0))
    got = shot(sx, sy)
    if any(abs(g - e) > 3 for g, e in zip(got, expected)):
        sys.exit(f"at {sx},{sy}: {got}, the tile has {expected}")
    print(f"   {sx},{sy} shows pixel {ix},{iy}: {got}")
PY
[[ -z $picture ]] || cp "$work/shot.png" "$picture"

echo "viewer_check: passed"
