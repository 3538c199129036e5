#!/bin/bash
# Every command that writes, stopped by SIGINT, SIGTERM or SIGHUP while it
# works: it ends by that signal, the target folder holds only the older file
# (whole) and the temporary folder nothing at all.
set -uo pipefail
set -m # background jobs keep SIGINT
build=$1
cli="$build/papelada-cli"
temp=$(mktemp -d)
trap 'rm -rf "$temp"' EXIT
export XDG_CONFIG_HOME="$temp/config" XDG_RUNTIME_DIR="$temp/runtime" QT_QPA_PLATFORM=offscreen
export TMPDIR="$temp/tmp"
mkdir -p "$TMPDIR" "$temp/alvo" "$temp/fonte"
mkdir -m 700 "$XDG_RUNTIME_DIR"
falhas=0
falha() { echo "FALHA: $*"; falhas=$((falhas + 1)); }

# Long enough that every command is still at work when the signal comes;
# no two pages alike, since a page that repeats another costs nearly nothing.
relatorio="$temp/fonte/grande.spl"
python3 -c "
import sys
linha = b'linha de teste do relatorio, pagina %010d, com texto\r\n'
sys.stdout.buffer.write(b''.join(linha % p * 60 + b'\x0c' for p in range(40000)) + b'\x1a')" >"$relatorio"
# A source that keeps standard input open.
lento() { cat "$relatorio"; sleep 5; }

# target name | how the command is started (ALVO stands for the target)
while IFS='|' read -r nome comando; do
    for sinal in INT TERM HUP; do
        alvo="$temp/alvo/$nome"
        printf 'conteudo antigo\n' >"$alvo"
        eval "${comando//ALVO/\"\$alvo\"}" >/dev/null 2>&1 &
        pid=$!
        sleep 0.3
        kill -s "$sinal" "%1" 2>/dev/null
        wait "$pid"
        codigo=$?
        wait # the rest of a pipeline
        esperado=$((128 + $(kill -l "$sinal")))
        [ "$codigo" = "$esperado" ] || falha "$nome $sinal: código $codigo, esperado $esperado"
        [ "$(cat "$alvo")" = "conteudo antigo" ] || falha "$nome $sinal: o arquivo anterior mudou"
        sobras=$(ls -A "$temp/alvo" | grep -cvxF "$nome")
        [ "$sobras" = 0 ] || falha "$nome $sinal: sobrou $(ls -A "$temp/alvo")"
        [ -z "$(ls -A "$TMPDIR")" ] || falha "$nome $sinal: sobrou em TMPDIR: $(ls -AR "$TMPDIR")"
        rm -rf "$temp/alvo"/* "$TMPDIR"/*
    done
done <<FIM
saida.pdf|"$cli" imprimir "$relatorio" --pdf ALVO
entrada.pdf|"$cli" imprimir - --pdf ALVO <"$relatorio"
copia.spl|lento | "$cli" salvar - ALVO
copia.txt|"$cli" salvar "$relatorio" ALVO
pagina.png|lento | "$cli" visualizar --pdf - 1 ALVO
padrao.pdf|"$cli" imprimir "$relatorio" --pdf - | cat >/dev/null
no_lugar.pdf|{ printf 'conteudo antigo\n'; "$cli" imprimir "$relatorio" --pdf -; } >ALVO
FIM

[ "$falhas" = 0 ] || exit 1
echo ok
