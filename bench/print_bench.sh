#!/usr/bin/env bash
# Printing to PDF side by side with the floor and with peers, in one run:
# wall time and CPU time (user + system, children included) to the
# microsecond, peak memory and PDF size, medians of interleaved runs.
#   (a) plain text, 60 lines of 80 columns a page;
#   (b) a business form: per line a rule, a box, four font changes (face,
#       size, bold, italic) and a right-aligned field;
#   (c) a logo picture, an EAN-13 barcode and 50 lines a page;
#   (f) 8 photographs of 2000 x 1500 pixels (PNG) over 160 pages;
# and, after the table, the PDF of three copies of (a), and `paginas`
# against `wc -l` on a long plain report.
# The programs: the floor (bench/piso.c: the same content stream, one text
# matrix and one string a line, deflated by libdeflate at level 1 on one
# thread; for (f) the PNGs' compressed data copied into the PDF), texttopdf
# on A4 with the same text (it has no compression option), enscript with
# ps2pdf (plain text), cairo drawing the same pages (bench/pares_cairo.c:
# forms and logos) and papelada on one thread (PAPELADA_FIOS=1) and on its
# default threads.
#   bench/print_bench.sh [BUILD_DIR]
#   PRINT_BENCH_VEZES=N     runs of each program per workload (5)
#   PRINT_BENCH_PAGINAS=N   pages of (a), (b) and (c) (2000)
#   PRINT_BENCH_LONGO=N     pages of (a) again, a long run where the start of
#                           the program weighs little (10000; 0: none)
#   PRINT_BENCH_GRANDE=1    adds (d) 100,000 plain pages and (e) the last
#                           and first 10 pages of a 1 GB report (up to
#                           2.5 GB of the temporary folder, a few minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli="$(pwd)/$build/papelada-cli"
texttopdf=/usr/lib/cups/filter/texttopdf
vezes=${PRINT_BENCH_VEZES:-5}
paginas_carga=${PRINT_BENCH_PAGINAS:-2000}
paginas_longo=${PRINT_BENCH_LONGO:-10000}
[ -x "$cli" ] || { echo "papelada-cli não encontrado em $build (compile primeiro)" >&2; exit 1; }
command -v cc > /dev/null || { echo "cc não encontrado: instale build-essential" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME="$dir/config" QT_QPA_PLATFORM=offscreen

cc -O2 -o "$dir/medir" bench/medir.c
cc -O2 -o "$dir/piso" bench/piso.c -ldeflate \
  || { echo "bench/piso.c não compila: instale libdeflate-dev" >&2; exit 1; }
cairo=""
if pkg-config --exists cairo 2> /dev/null; then
  cc -O2 -o "$dir/pares_cairo" bench/pares_cairo.c $(pkg-config --cflags --libs cairo) && cairo="$dir/pares_cairo"
fi
[ -n "$cairo" ] || echo "(sem cairo: instale libcairo2-dev para o par de formulário e logotipo)"
[ -x "$texttopdf" ] || { echo "(texttopdf não encontrado: instale cups-filters)"; texttopdf=""; }
enscript=""
command -v enscript > /dev/null && command -v ps2pdf > /dev/null && enscript=1

# The workloads: NAME.spl for papelada and NAME.txt, the same lines and
# pages, for the others. Every line differs, so that no side can skip work.
python3 - "$dir" "$paginas_carga" "$paginas_longo" <<'PY'
import random, struct, sys, zlib
pasta, total, longo = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
ESC = "\x1b"
logo = f"{pasta}/logotipo.png"

def bloco(tipo, dados):
    return struct.pack(">I", len(dados)) + tipo + dados + struct.pack(">I", zlib.crc32(tipo + dados))

def gravar_png(caminho, w, h, linhas, nivel=9):
    with open(caminho, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + bloco(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + bloco(b"IDAT", zlib.compress(linhas, nivel)) + bloco(b"IEND", b""))

def png(caminho, w, h):
    # A colour letterhead: a gradient crossed by bands.
    gravar_png(caminho, w, h, b"".join(b"\0" + bytes(v for x in range(w) for v in (
        (x * 255 // w) ^ (y * 3 & 0xff), y * 255 // h, 200 if (x // 12 + y // 12) % 3 else 40))
        for y in range(h)))

def foto(caminho, w, h, semente):
    # A photograph: gradients with noise, rows that do not repeat nearby.
    rg = random.Random(semente)
    fileiras = [bytes((x * 255 // (w * 3) + r * 2 + rg.randrange(24)) & 0xff for x in range(w * 3))
                for r in range(48)]
    gravar_png(caminho, w, h, b"".join(b"\0" + fileiras[rg.randrange(48)] for _ in range(h)), 1)

def texto(p, l):
    cabeca = f"Pag {p:05d} linha {l:02d} "
    return cabeca + "".join(chr(65 + (p * 7 + l * 3 + i) % 26) for i in range(80 - len(cabeca)))

def gravar(nome, linhas, pagina, total=total):
    with open(f"{pasta}/{nome}.spl", "wb") as spl, open(f"{pasta}/{nome}.txt", "wb") as txt:
        for p in range(1, total + 1):
            ts = [texto(p, l) for l in range(1, linhas + 1)]
            spl.write(pagina(p, ts).encode("cp1252"))
            txt.write("".join(t + "\n" for t in ts).encode("ascii"))
            if p < total:
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
if longo > 0:
    gravar("simples_longo", 60, simples, longo)
gravar("formulario", 60, formulario)
gravar("logotipo", 50, logotipo)
# Each photograph is larger than the page: drawing it ends the page.
for k in range(8):
    foto(f"{pasta}/foto{k}.png", 2000, 1500, k)
with open(f"{pasta}/fotos.spl", "wb") as spl:
    for k in range(160):
        spl.write(f"{ESC}Y1;{ESC}X1;{ESC}G{pasta}/foto{k % 8}.png\n".encode())
    spl.write(b"\x1a")
PY

# One run: OUTPUT COMMAND... with the PDF on standard output. Prints wall
# seconds, CPU seconds, peak kilobytes and PDF bytes.
uma_vez() {
  local saida=$1
  shift
  "$dir/medir" "$dir/tempo" "$@" > "$saida" 2> "$dir/erros" || { cat "$dir/erros" >&2; exit 1; }
  echo "$(cat "$dir/tempo") $(stat -c %s "$saida")"
}

mediana() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# The first column padded by characters, not bytes ("formulário").
coluna() {
  local LC_ALL=C.UTF-8
  printf '%s%*s' "$1" $((22 - ${#1})) ''
}

linha() {
  printf '%s %-18s %10.6f %10.6f %8.1f %12s %7s\n' "$(coluna "$1")" "$2" "$3" "$4" "$(echo "$5 / 1024" | bc -l)" "$6" "$7"
}

# Runs each program `n` times, interleaved, and prints one line per program
# with the medians. A program is NAME=COMMAND (a shell command line writing
# the PDF on standard output). Sets the medians of wall and CPU time by
# name in `parede` and `cpu`.
declare -A parede cpu
comparar() {
  local titulo=$1 n=$2 carga=$1
  shift 2
  local -A pe pc pm pb
  local programa nome e c m b
  for ((i = 0; i < n; i++)); do
    for programa in "$@"; do
      nome=${programa%%=*}
      read -r e c m b < <(uma_vez "$dir/$nome.pdf" bash -c "${programa#*=}")
      pe[$nome]+="$e "; pc[$nome]+="$c "; pm[$nome]+="$m "; pb[$nome]=$b
    done
  done
  for programa in "$@"; do
    nome=${programa%%=*}
    # shellcheck disable=SC2086
    parede[$carga/$nome]=$(mediana ${pe[$nome]})
    # shellcheck disable=SC2086
    cpu[$carga/$nome]=$(mediana ${pc[$nome]})
    # shellcheck disable=SC2086
    linha "$titulo" "$nome" "${parede[$carga/$nome]}" "${cpu[$carga/$nome]}" "$(mediana ${pm[$nome]})" \
      "${pb[$nome]}" "$(pdfinfo "$dir/$nome.pdf" 2> /dev/null | awk '/^Pages:/ {print $2}')"
    rm -f "$dir/$nome.pdf"
    titulo=""
  done
}

razao() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
veredito() { [ "$(echo "$1 <= $2" | bc -l)" = 1 ] && echo atingida || echo "NÃO atingida"; }

p1="papelada 1 fio=PAPELADA_FIOS=1 '$cli' imprimir"
pd="papelada padrão=env -u PAPELADA_FIOS '$cli' imprimir"
t2p="texttopdf=$texttopdf 1 usuario titulo 1 'PageSize=A4 cpi=12 lpi=7'"
ens="enscript+ps2pdf=enscript -q -B -M A4 -f Courier10 -s 0 -p - "
printf '%-22s %-18s %10s %10s %8s %12s %7s\n' carga programa 'parede s' 'CPU s' 'pico MB' 'PDF bytes' páginas
for carga in simples formulario logotipo; do
  programas=()
  [ "$carga" = simples ] && programas+=("piso=$dir/piso $dir/simples.txt")
  [ -n "$texttopdf" ] && programas+=("$t2p $dir/$carga.txt")
  [ "$carga" = simples ] && [ -n "$enscript" ] && programas+=("$ens$dir/simples.txt | ps2pdf - -")
  figura=""
  [ "$carga" = logotipo ] && figura="$dir/logotipo.png"
  [ "$carga" != simples ] && [ -n "$cairo" ] && programas+=("cairo=$cairo $carga $dir/$carga.txt $figura")
  programas+=("$p1 $dir/$carga.spl --pdf - --margens 10,10" "$pd $dir/$carga.spl --pdf - --margens 10,10")
  comparar "($carga) $paginas_carga" "$vezes" "${programas[@]}"
done
# The fixed cost of a job: a page of one line (the program's start, the
# font looked up and embedded).
printf 'x\n\x1a' > "$dir/inicio.spl"
printf 'x\n' > "$dir/inicio.txt"
comparar "(início) 1" "$vezes" "piso=$dir/piso $dir/inicio.txt" "$p1 $dir/inicio.spl --pdf - --margens 10,10"
if [ "$paginas_longo" -gt 0 ]; then
  comparar "(simples) $paginas_longo" "$vezes" "piso=$dir/piso $dir/simples_longo.txt" \
    "$p1 $dir/simples_longo.spl --pdf - --margens 10,10"
  rm -f "$dir"/simples_longo.*
fi
comparar "(fotos) 160" "$vezes" "piso=$dir/piso -imagens 160 $(echo "$dir"/foto?.png)" \
  "$p1 $dir/fotos.spl --pdf - --margens 10,10" "$pd $dir/fotos.spl --pdf - --margens 10,10"

s="(simples) $paginas_carga"
f="(fotos) 160"
echo
# The goal against the floor is judged on the long run: on the short one the
# start of the program (the line "(início) 1") is a good part of the time.
echo "simples, $paginas_carga páginas: CPU de papelada (1 fio) / piso $(razao "${cpu[$s/papelada 1 fio]}" "${cpu[$s/piso]}") (com a partida do programa: $(razao "${cpu[(início) 1/papelada 1 fio]}" "${cpu[$s/papelada 1 fio]}") do tempo)"
if [ "$paginas_longo" -gt 0 ]; then
  l="(simples) $paginas_longo"
  echo "simples, $paginas_longo páginas: CPU de papelada (1 fio) / piso $(razao "${cpu[$l/papelada 1 fio]}" "${cpu[$l/piso]}"), meta <= 1.6: $(veredito "${cpu[$l/papelada 1 fio]}" "$(echo "1.6 * ${cpu[$l/piso]}" | bc -l)")"
fi
echo "fotos: parede de papelada (1 fio) / piso $(razao "${parede[$f/papelada 1 fio]}" "${parede[$f/piso]}"), meta <= 2: $(veredito "${parede[$f/papelada 1 fio]}" "$(echo "2 * ${parede[$f/piso]}" | bc -l)")"
for carga in simples formulario logotipo; do
  k="($carga) $paginas_carga"
  echo "$carga: parede nos fios padrão / em 1 fio $(razao "${parede[$k/papelada padrão]}" "${parede[$k/papelada 1 fio]}") (meta <= 1)"
done
echo "fotos: parede nos fios padrão / em 1 fio $(razao "${parede[$f/papelada padrão]}" "${parede[$f/papelada 1 fio]}") (meta <= 1)"

# Copies share their pages' content: the PDF of three copies against one.
read -r _ _ _ um < <(uma_vez "$dir/c.pdf" "$cli" imprimir "$dir/simples.spl" --pdf - --margens 10,10)
read -r _ _ _ tres < <(uma_vez "$dir/c.pdf" "$cli" imprimir "$dir/simples.spl" --pdf - --margens 10,10 --copias 3)
echo "cópias: PDF de 1 cópia $um bytes, de 3 cópias $tres bytes ($(razao "$tres" "$um")x)"

# `paginas` against `wc -l` on 20 copies of the plain report (about 200 MB
# with the default pages).
for _ in $(seq 20); do head -c -1 "$dir/simples.spl"; printf '\f'; done > "$dir/longo.spl"
printf 'x\x1a' >> "$dir/longo.spl"
# The start of the program, the same for any report, is told apart: it is
# paginas on a one-line report.
declare -a pe we pi
for ((i = 0; i < vezes; i++)); do
  read -r e _ < <(uma_vez /dev/null "$cli" paginas "$dir/longo.spl"); pe+=("$e")
  read -r e _ < <(uma_vez /dev/null wc -l "$dir/longo.spl"); we+=("$e")
  read -r e _ < <(uma_vez /dev/null "$cli" paginas "$dir/inicio.spl"); pi+=("$e")
done
echo "paginas: $(mediana "${pe[@]}") s, wc -l: $(mediana "${we[@]}") s, $(razao "$(mediana "${pe[@]}")" "$(mediana "${we[@]}")")x em $(stat -c %s "$dir/longo.spl") bytes (meta <= 2; a partida do programa, $(mediana "${pi[@]}") s, é $(razao "$(mediana "${pi[@]}")" "$(mediana "${we[@]}")")x disso)"
rm -f "$dir/longo.spl" "$dir/c.pdf"
# The body of the plain report, repeated for the large workloads.
head -c -1 "$dir/simples.spl" > "$dir/corpo.spl"
printf '\f' >> "$dir/corpo.spl"

if [ "${PRINT_BENCH_GRANDE:-0}" = 1 ]; then
  livre=$(df -Pk "$dir" | awk 'NR == 2 {print $4}')
  if [ "$livre" -lt $((5 * 1024 * 1024)) ]; then
    echo "(d) e (e) pulados: menos de 5 GB livres em $dir"
  else
    # (d) copies of the plain report: 100,000 pages.
    vezes_d=$(( (100000 + paginas_carga - 1) / paginas_carga ))
    { for _ in $(seq "$vezes_d"); do cat "$dir/corpo.spl"; done; printf 'x\x1a'; } > "$dir/cem_mil.spl"
    head -c -1 "$dir/simples.txt" > "$dir/corpo.txt"
    printf '\n\f' >> "$dir/corpo.txt"
    { for _ in $(seq "$vezes_d"); do cat "$dir/corpo.txt"; done; printf 'x\n'; } > "$dir/cem_mil.txt"
    rm -f "$dir/corpo.txt"
    comparar "(d) simples 100.000" 1 "piso=$dir/piso $dir/cem_mil.txt" \
      "$p1 $dir/cem_mil.spl --pdf - --margens 10,10" "$pd $dir/cem_mil.spl --pdf - --margens 10,10"
    rm -f "$dir/cem_mil.txt" "$dir/cem_mil.spl"
    # (e) 1 GB: copies of the plain report.
    copias=$(( (1 << 30) / $(stat -c %s "$dir/corpo.spl") + 1 ))
    { for _ in $(seq "$copias"); do cat "$dir/corpo.spl"; done; printf 'x\x1a'; } > "$dir/gb.spl"
    total=$((copias * paginas_carga + 1))
    comparar "(e) 1 GB: 10 últimas" 1 "$pd $dir/gb.spl --pdf - --margens 10,10 --paginas $((total - 9))-$total"
    comparar "(e) 1 GB: 10 primeiras" 1 "$pd $dir/gb.spl --pdf - --margens 10,10 --paginas 1-10"
    echo "(e) $(stat -c %s "$dir/gb.spl") bytes, $total páginas; meta das 10 últimas: menos de 0,6 s"
    rm -f "$dir/gb.spl"
  fi
fi

# TrueType and CFF: the first 100 pages, with the font named at the start.
echo
head -c $((100 * 60 * 81 + 99)) "$dir/simples.spl" > "$dir/cem.txt"
printf '\x1a' >> "$dir/cem.txt"
ultima=$(sed -n '6000p' "$dir/simples.spl" | tr -d '\f')
printf 'face        tempo (s)   CPU (s)      bytes  fonte                     texto\n'
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
  printf '%-10s %9.3f %9.3f %10s  %-25s %s\n' "$fonte" "$e" "$c" "$b" "${tipo:-nenhuma}" "$achou"
done
