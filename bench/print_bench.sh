#!/usr/bin/env bash
# Printing against cups-filters' texttopdf, side by side: wall time, CPU time
# (user + system), peak memory and PDF size, medians of interleaved runs.
#   (a) plain text, 1,000 pages of 60 lines of 80 columns;
#   (b) a business form, 1,000 pages: per line a rule, a box, four font
#       changes (face, size, bold, italic) and a right-aligned field;
#   (c) a logo picture, an EAN-13 barcode and 50 lines per page, 1,000 pages;
#   each with 1, 2 and all threads (PAPELADA_FIOS; a binary that does not
#   read it runs one thread whatever the value);
#   (d) plain text, 100,000 pages (one run of each program), with 1 and all
#       threads;
#   (e) the last 10 pages of a 1 GB report, and its first 10 (one run).
# texttopdf gets the same text (`cpi=12 lpi=7`: 60 lines a page, so that both
# make the same pages; it prints on Letter, papelada on A4) without the
# commands, pictures and barcodes it does not have. The goals of the wall
# time ratio papelada / texttopdf are shown beside each workload. Then the
# first 100 plain pages in a TrueType face (Arial) and in a CFF face
# (Helvetica): time, PDF size, and whether pdftotext finds the last page's
# text in each.
#   bench/print_bench.sh [BUILD_DIR]
#   PRINT_BENCH_VEZES=N   runs of each program per workload (3)
#   PRINT_BENCH_GRANDE=0  skips (d) and (e), which take up to 2.5 GB of the
#                         temporary folder for a few minutes
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli="$(pwd)/$build/papelada-cli"
texttopdf=/usr/lib/cups/filter/texttopdf
vezes=${PRINT_BENCH_VEZES:-3}
[ -x "$cli" ] || { echo "papelada-cli não encontrado em $build (compile primeiro)" >&2; exit 1; }
[ -x "$texttopdf" ] || { echo "texttopdf não encontrado: instale cups-filters" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time não encontrado: instale o pacote time" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME="$dir/config"

# The workloads: NAME.spl for papelada and NAME.txt, the same lines and
# pages, for texttopdf. Every line differs, so that no side can skip work.
python3 - "$dir" <<'PY'
import struct, sys, zlib
pasta = sys.argv[1]
ESC = "\x1b"
logo = f"{pasta}/logotipo.png"

def png(caminho, w, h):
    # A colour letterhead: a gradient crossed by bands.
    linhas = b"".join(b"\0" + bytes(v for x in range(w) for v in (
        (x * 255 // w) ^ (y * 3 & 0xff), y * 255 // h, 200 if (x // 12 + y // 12) % 3 else 40))
        for y in range(h))
    def bloco(tipo, dados):
        return struct.pack(">I", len(dados)) + tipo + dados + struct.pack(">I", zlib.crc32(tipo + dados))
    with open(caminho, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + bloco(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + bloco(b"IDAT", zlib.compress(linhas, 9)) + bloco(b"IEND", b""))

def texto(p, l):
    cabeca = f"Pag {p:04d} linha {l:02d} "
    return cabeca + "".join(chr(65 + (p * 7 + l * 3 + i) % 26) for i in range(80 - len(cabeca)))

def gravar(nome, linhas, pagina):
    with open(f"{pasta}/{nome}.spl", "wb") as spl, open(f"{pasta}/{nome}.txt", "wb") as txt:
        for p in range(1, 1001):
            ts = [texto(p, l) for l in range(1, linhas + 1)]
            spl.write(pagina(p, ts).encode("cp1252"))
            txt.write("".join(t + "\n" for t in ts).encode("ascii"))
            if p < 1000:
                spl.write(b"\x0c")
                txt.write(b"\x0c")
        spl.write(b"\x1a")  # the last byte of a spool file is never printed

def simples(p, ts):
    return "".join(t + "\n" for t in ts)

def formulario(p, ts):
    out = []
    for l, t in enumerate(ts, 1):
        y = l + 2
        out.append(f"{ESC}L1,{y},81,{y},1,0,{ESC}B60,{y},81,{y},1,0,{ESC}Y{y};{ESC}X1;")
        out.append(f"{ESC}1Arial\n{ESC}69;{ESC}2{t[:20]}{ESC}3")
        out.append(f"{ESC}1Times New Roman\n{ESC}4{t[20:58]}{ESC}5")
        out.append(f"{ESC}1Courier New\n{ESC}610;{ESC}R60,80,1,{t[58:]}")
    return "".join(out)

def logotipo(p, ts):
    cabeca = f"{ESC}Y1;{ESC}X1;{ESC}G{logo}\n{ESC}Y1;{ESC}X50;{ESC}Z2,60,2,789{p:09d}9,{ESC}Y8;{ESC}X1;"
    return cabeca + "".join(t + "\n" for t in ts)

png(logo, 360, 120)
gravar("simples", 60, simples)
gravar("formulario", 60, formulario)
gravar("logotipo", 50, logotipo)
PY

# The body of the plain report, repeated for the large workloads.
head -c -1 "$dir/simples.spl" > "$dir/corpo.spl"
printf '\f' >> "$dir/corpo.spl"

# One run: SAIDA COMMAND... with the PDF on standard output. Prints wall
# seconds, CPU seconds, peak kilobytes and PDF bytes.
uma_vez() {
  local saida=$1
  shift
  /usr/bin/time -f '%e %U %S %M' -o "$dir/tempo" "$@" > "$saida" 2> "$dir/erros" \
    || { cat "$dir/erros" >&2; exit 1; }
  local e u s m
  read -r e u s m < <(tail -1 "$dir/tempo")
  echo "$e $(echo "$u + $s" | bc -l) $m $(stat -c %s "$saida")"
}

mediana() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# Runs papelada (with PAPELADA_FIOS=$fios) and texttopdf alternately, `n`
# times each, and prints their lines and the ratio of wall times.
#   comparar TITLE GOAL N SPL TXT [papelada options...]
comparar() {
  local titulo=$1 meta=$2 n=$3 spl=$4 txt=$5
  shift 5
  local -a pe pc pm te tc tm
  local pb=0 tb=0 e c m b
  for ((i = 0; i < n; i++)); do
    read -r e c m b < <(uma_vez "$dir/p.pdf" env PAPELADA_FIOS="$fios" "$cli" imprimir "$spl" --pdf - "$@")
    pe+=("$e"); pc+=("$c"); pm+=("$m"); pb=$b
    if [ -n "$txt" ]; then
      read -r e c m b < <(uma_vez "$dir/t.pdf" "$texttopdf" 1 usuario titulo 1 'cpi=12 lpi=7' "$txt")
      te+=("$e"); tc+=("$c"); tm+=("$m"); tb=$b
    fi
  done
  local pp tp
  pp=$(pdfinfo "$dir/p.pdf" 2> /dev/null | awk '/^Pages:/ {print $2}')
  linha "$titulo" papelada "$fios_texto" "$(mediana "${pe[@]}")" "$(mediana "${pc[@]}")" "$(mediana "${pm[@]}")" "$pb" "$pp"
  if [ -z "$txt" ]; then
    rm -f "$dir/p.pdf"
    return
  fi
  tp=$(pdfinfo "$dir/t.pdf" 2> /dev/null | awk '/^Pages:/ {print $2}')
  linha "" texttopdf 1 "$(mediana "${te[@]}")" "$(mediana "${tc[@]}")" "$(mediana "${tm[@]}")" "$tb" "$tp"
  local r rc veredito=""
  r=$(echo "$(mediana "${pe[@]}") / $(mediana "${te[@]}")" | bc -l)
  rc=$(echo "$(mediana "${pc[@]}") / $(mediana "${tc[@]}")" | bc -l)
  [ -n "$meta" ] && veredito="meta <= $meta: $( [ "$(echo "$r <= $meta" | bc -l)" = 1 ] && echo atingida || echo NÃO atingida)"
  printf '%-22s %-10s razão de parede %5.2f, de CPU %5.2f   %s\n' "" "" "$r" "$rc" "$veredito"
  [ "$pp" = "$tp" ] || echo "  aviso: papelada fez $pp páginas e texttopdf $tp: as cargas não se comparam" >&2
  rm -f "$dir/p.pdf" "$dir/t.pdf"
}

# The first column padded by characters, not bytes ("formulário").
coluna() {
  local LC_ALL=C.UTF-8
  printf '%s%*s' "$1" $((22 - ${#1})) ''
}

linha() {
  printf '%s %-10s %5s %9.2f %9.2f %9.1f %12s %8s\n' "$(coluna "$1")" "$2" "$3" "$4" "$5" "$(echo "$6 / 1024" | bc -l)" "$7" "$8"
}

nucleos=$(nproc)
if grep -aq PAPELADA_FIOS "$cli"; then le_fios=1; else le_fios=0; fi
printf '%-22s %-10s %5s %9s %9s %9s %12s %8s\n' carga programa fios 'parede s' 'CPU s' 'pico MB' 'PDF bytes' páginas
por_fios() {
  fios=$1
  fios_texto=$fios
  [ "$le_fios" = 1 ] || fios_texto="1($fios)"
}
for carga in "(a) simples 1.000|0.4|simples" "(b) formulário 1.000|1.0|formulario" "(c) logotipo 1.000|1.0|logotipo"; do
  IFS='|' read -r titulo meta nome <<< "$carga"
  for f in $(printf '%s\n' 1 2 "$nucleos" | awk '!visto[$0]++'); do
    por_fios "$f"
    comparar "$titulo" "$meta" "$vezes" "$dir/$nome.spl" "$dir/$nome.txt" --margens 10,10
  done
done
[ "$le_fios" = 1 ] || echo "(este papelada-cli não lê PAPELADA_FIOS: imprime com um fio; entre parênteses o valor pedido)"

if [ "${PRINT_BENCH_GRANDE:-1}" != 0 ]; then
  livre=$(df -Pk "$dir" | awk 'NR == 2 {print $4}')
  if [ "$livre" -lt $((5 * 1024 * 1024)) ]; then
    echo "(d) e (e) pulados: menos de 5 GB livres em $dir"
  else
    # (d) 100 copies of the 1,000 pages: 100,000 pages.
    { for _ in $(seq 100); do cat "$dir/corpo.spl"; done; printf 'x\x1a'; } > "$dir/cem_mil.spl"
    head -c -1 "$dir/simples.txt" > "$dir/corpo.txt"
    printf '\n\f' >> "$dir/corpo.txt"
    { for _ in $(seq 100); do cat "$dir/corpo.txt"; done; printf 'x\n'; } > "$dir/cem_mil.txt"
    rm -f "$dir/corpo.txt"
    for f in $(printf '%s\n' 1 "$nucleos" | awk '!visto[$0]++'); do
      por_fios "$f"
      comparar "(d) simples 100.000" "" 1 "$dir/cem_mil.spl" "$dir/cem_mil.txt" --margens 10,10
    done
    por_fios "$nucleos"
    rm -f "$dir/cem_mil.txt" "$dir/cem_mil.spl"
    # (e) 1 GB: copies of the 1,000 pages (4.9 MB each).
    copias=$(( (1 << 30) / $(stat -c %s "$dir/corpo.spl") + 1 ))
    { for _ in $(seq "$copias"); do cat "$dir/corpo.spl"; done; printf 'x\x1a'; } > "$dir/gb.spl"
    total=$((copias * 1000 + 1))
    comparar "(e) 1 GB: 10 últimas" "" 1 "$dir/gb.spl" "" --margens 10,10 --paginas "$((total - 9))-$total"
    comparar "(e) 1 GB: 10 primeiras" "" 1 "$dir/gb.spl" "" --margens 10,10 --paginas 1-10
    echo "(e) $(stat -c %s "$dir/gb.spl") bytes, $total páginas; meta das 10 últimas: menos de 0,6 s"
    rm -f "$dir/gb.spl"
  fi
fi

# TrueType and CFF: the first 100 pages, with the font named at the start.
head -c $((100 * 60 * 81 + 99)) "$dir/simples.spl" > "$dir/cem.txt"
printf '\x1a' >> "$dir/cem.txt"
ultima=$(sed -n '6000p' "$dir/simples.spl" | tr -d '\f')
printf '\nface        tempo (s)   CPU (s)      bytes  fonte                     texto\n'
for fonte in Arial Helvetica; do
  { printf '\x1b1%s\n' "$fonte"; cat "$dir/cem.txt"; } > "$dir/cem_$fonte.spl"
  read -r e c m b < <(uma_vez "$dir/cem_$fonte.pdf" "$cli" imprimir "$dir/cem_$fonte.spl" --pdf - --margens 10,10)
  # The type column, where the header's second row of dashes puts it (a
  # type may hold blanks: "CID TrueType", "Type 1C").
  tipo=$(pdffonts "$dir/cem_$fonte.pdf" 2> /dev/null | awk '
    NR == 2 {inicio = index($0, " -") + 1; largura = index(substr($0, inicio), " ") - 1}
    NR == 3 {t = substr($0, inicio, largura); sub(/ +$/, "", t); print t}')
  achou=não
  pdftotext "$dir/cem_$fonte.pdf" - 2> /dev/null | grep -qF "$ultima" && achou=sim
  printf '%-10s %9.2f %9.2f %10s  %-25s %s\n' "$fonte" "$e" "$c" "$b" "${tipo:-nenhuma}" "$achou"
done
