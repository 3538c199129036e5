#!/usr/bin/env bash
# The drawing threads of a print job, measured:
#   - peak memory (maximum resident set) on 1, 2, 4 and 8 threads of two
#     picture reports: 8 different photographs of 2000 x 1500 pixels over
#     160 pages, and 64 references to 8 pictures of 5700 x 5700;
#   - the wall time of N plain pages (60 lines of 80 columns) on 1 thread,
#     on 2 and on the default, medians of 3 runs, wall and processor time;
#   - two jobs of those pages at once, on the default threads and on one
#     thread each (a print server with two users): the pair's wall time and
#     the processor time of both, medians of 3 runs taken in turns.
# Usage: bench/fios_bench.sh [BUILD_DIR]
#   FIOS_BENCH_PAGINAS=N   plain pages (100000; about 490 MB of report)
#   FIOS_BENCH_MEMORIA=0   leaves out the peak memory of the picture reports
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli="$(pwd)/$build/papelada-cli"
paginas=${FIOS_BENCH_PAGINAS:-100000}
[ -x "$cli" ] || { echo "papelada-cli não encontrado em $build (compile primeiro)" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME="$dir/config" QT_QPA_PLATFORM=offscreen

python3 - "$dir" "$paginas" <<'PY'
import struct, sys, zlib
pasta, paginas = sys.argv[1], int(sys.argv[2])
ESC = b"\x1b"

def png(caminho, w, h, semente):
    def bloco(tipo, dados):
        return struct.pack(">I", len(dados)) + tipo + dados + struct.pack(">I", zlib.crc32(tipo + dados))
    linhas = bytearray()
    for y in range(h):
        base = bytes(((x * 7 + y * 3 + semente * 37) ^ (x * y >> 6)) & 0xFF for x in range(0, 3 * w, 1)) if y < 64 else None
        linhas += b"\0" + (base if base is not None else linhas[1 + (y % 64) * (3 * w + 1):(y % 64 + 1) * (3 * w + 1)])
    with open(caminho, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + bloco(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + bloco(b"IDAT", zlib.compress(bytes(linhas), 1)) + bloco(b"IEND", b""))

fotos = [f"{pasta}/foto{i}.png" for i in range(8)]
for i, c in enumerate(fotos):
    png(c, 2000, 1500, i)
with open(f"{pasta}/fotos.spl", "wb") as f:
    for p in range(160):
        f.write(b"Foto %d\n" % p + ESC + b"G" + fotos[p % 8].encode() + b"\n\f")
grandes = [f"{pasta}/grande{i}.png" for i in range(8)]
for i, c in enumerate(grandes):
    png(c, 5700, 5700, i)
with open(f"{pasta}/grandes.spl", "wb") as f:
    for r in range(64):
        f.write(ESC + b"G" + grandes[r % 8].encode() + b"\n")
linha = bytes(range(0x41, 0x41 + 26)) * 3
with open(f"{pasta}/simples.spl", "wb") as f:
    for p in range(paginas):
        f.write(b"".join(b"%06d %02d " % (p, l) + linha[:70] + b"\n" for l in range(60)) + b"\f")
PY

# Peak MB, wall and CPU seconds of one print of $2 on $1 threads ("": the
# default); $3 tells apart jobs that run at once.
medir() {
    local fios=$1 spl=$2 tag=${3:-}
    if [ -n "$fios" ]; then export PAPELADA_FIOS=$fios; else unset PAPELADA_FIOS; fi
    /usr/bin/time -o "$dir/tempo$tag" -f '%M %e %U %S' "$cli" imprimir "$spl" --pdf "$dir/saida$tag.pdf" \
        > /dev/null 2> "$dir/erros$tag" || [ $? = 4 ] || { cat "$dir/erros$tag" >&2; exit 1; }
    unset PAPELADA_FIOS
    read -r kb e u s < <(tail -n 1 "$dir/tempo$tag")
    echo "$((kb / 1024)) $e $(awk "BEGIN { print $u + $s }")"
}
mediana() { sort -n | sed -n 2p; }

if [ "${FIOS_BENCH_MEMORIA:-1}" != 0 ]; then
    echo "Pico de memória (MB) por fios de desenho:"
    for spl in fotos grandes; do
        linha="  $spl:"
        for fios in 1 2 4 8; do
            read -r mb _ _ < <(medir $fios "$dir/$spl.spl")
            linha+=" $fios=$mb"
        done
        echo "$linha"
    done
fi

echo "$paginas páginas simples, mediana de 3 em turnos (parede s / processador s):"
for i in 1 2 3; do
    for fios in 1 2 ""; do medir "$fios" "$dir/simples.spl" >> "$dir/um${fios:-padrao}"; done
done
for fios in 1 2 ""; do
    r="$dir/um${fios:-padrao}"
    printf '  %-8s %s / %s\n' "${fios:-padrão}" "$(cut -d' ' -f2 "$r" | mediana)" "$(cut -d' ' -f3 "$r" | mediana)"
done

# Pairs on the default and on one thread each, taken in turns, so that what
# else runs on the machine weighs on both alike.
echo "Dois trabalhos ao mesmo tempo ($paginas páginas cada), mediana de 3 (parede do par s / processador dos dois s):"
for i in 1 2 3; do
    for fios in "" 1; do
        inicio=$(date +%s.%N)
        medir "$fios" "$dir/simples.spl" a > "$dir/a" &
        medir "$fios" "$dir/simples.spl" b > "$dir/b" &
        wait
        fim=$(date +%s.%N)
        echo "$(echo "$fim - $inicio" | bc) $(cat "$dir/a" "$dir/b" | awk '{ s += $3 } END { print s }')" >> "$dir/par${fios:-padrao}"
    done
done
for fios in "" 1; do
    r="$dir/par${fios:-padrao}"
    printf '  %-8s %.2f / %.2f\n' "${fios:-padrão}" "$(cut -d' ' -f1 "$r" | mediana)" "$(cut -d' ' -f2 "$r" | mediana)"
done
