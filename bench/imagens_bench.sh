#!/usr/bin/env bash
# A report that draws one large picture (5000 x 5000 pixels, PNG) with 40
# ESC "G" commands, printed to PDF: the picture is decoded once per job, so
# the time is close to that of a report that draws it once.
# Usage: bench/imagens_bench.sh [BUILD_DIR]
set -euo pipefail

build=${1:-build}
cli="$build/papelada-cli"
[ -x "$cli" ] || { echo "papelada-cli não encontrado em $build" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME="$dir/config" QT_QPA_PLATFORM=offscreen

# The processor seconds count: the wall clock follows whatever else the
# machine runs. Noise, so that the PNG decoder has real work to do.
python3 - "$dir/grande.png" <<'PY'
import os, struct, sys, zlib
lado = 5000
linhas = b"".join(b"\x00" + os.urandom(lado * 3) for _ in range(lado))
def pedaco(tipo, dados):
    return struct.pack(">I", len(dados)) + tipo + dados + struct.pack(">I", zlib.crc32(tipo + dados))
with open(sys.argv[1], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + pedaco(b"IHDR", struct.pack(">IIBBBBB", lado, lado, 8, 2, 0, 0, 0))
            + pedaco(b"IDAT", zlib.compress(linhas, 1)) + pedaco(b"IEND", b""))
PY
for n in 1 40; do
    for _ in $(seq 1 "$n"); do printf '\x1bG%s\x1a' "$dir/grande.png"; done >"$dir/r$n.spl"
    printf 'fim\n.' >>"$dir/r$n.spl"
    /usr/bin/time -o "$dir/tempo" -f '%e s (processador %U + %S s), %M KB' "$cli" imprimir "$dir/r$n.spl" --pdf "$dir/r$n.pdf" >/dev/null 2>&1
    echo "$n ESC \"G\" da mesma imagem 5000x5000: $(cat "$dir/tempo") (pico de memória), PDF de $(du -h "$dir/r$n.pdf" | cut -f1)"
done
