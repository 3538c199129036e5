#!/bin/bash
# Every file papelada-cli writes (copy, text copy, PDF, PNG) on a file system
# with 4 KiB left: exit 3, the system's reason in the message, the older file
# at that path intact and nothing left beside it. Then the targets that must
# be refused, the exit statuses of a failed or incomplete output, and names
# as bytes.
set -uo pipefail
build=$1 fonte=$2
cli="$build/papelada-cli"
temp=$(mktemp -d)
cheio="$temp/cheio"
montado=0
encerrar() {
    [ "$montado" = 1 ] && umount "$cheio"
    rm -rf "$temp"
}
trap encerrar EXIT
export XDG_CONFIG_HOME="$temp/config" QT_QPA_PLATFORM=offscreen
falhas=0
falha() { echo "FALHA: $*"; falhas=$((falhas + 1)); }

relatorio="$temp/vendas.spl"
cp "$fonte/samples/relatorio_vendas.spl" "$relatorio"
# Plain text, for the text copy (the sample's commands leave it empty).
texto="$temp/texto.spl"
for i in $(seq 1 400); do printf 'linha %d do relatorio\r\n' "$i"; done >"$texto"
mkdir -p "$cheio"
if mount -t tmpfs -o size=64k tmpfs "$cheio" 2>/dev/null; then
    montado=1
    # 60 KiB taken by another file and 4 KiB by the older output: 4 KiB left
    # whatever the target.
    head -c $((56 * 1024)) /dev/zero >"$cheio/ocupado"
    motivo=$(python3 -c 'import os; print(os.strerror(28))')
    limitar() { "$@"; }
else
    # No mount allowed here: a size limit refuses writes beyond 4 KiB.
    motivo=$(python3 -c 'import os; print(os.strerror(27))')
    limitar() { (trap '' XFSZ; ulimit -f 4; "$@"); }
fi
echo "disco cheio: $([ $montado = 1 ] && echo tmpfs || echo ulimit), motivo \"$motivo\""

# name of the target | command (TARGET stands for the path)
while IFS='|' read -r nome comando; do
    alvo="$cheio/$nome"
    printf 'conteudo antigo\n' >"$alvo"
    # shellcheck disable=SC2086
    if [[ $comando == *" -" ]]; then # standard output sent to the file, written in place
        erro=$({ printf 'conteudo antigo\n'; limitar "$cli" $comando; } 2>&1 >"$alvo")
    else
        erro=$(limitar "$cli" ${comando//TARGET/$alvo} 2>&1 >/dev/null)
    fi
    codigo=$?
    [ "$codigo" = 3 ] || falha "$nome: código $codigo, esperado 3 ($erro)"
    grep -qF "$motivo" <<<"$erro" || falha "$nome: motivo ausente em \"$erro\""
    [ "$(cat "$alvo")" = "conteudo antigo" ] || falha "$nome: o arquivo anterior mudou"
    sobras=$(ls -A "$cheio" | grep -cvxE "ocupado|$nome")
    [ "$sobras" = 0 ] || falha "$nome: $sobras arquivo(s) temporário(s) deixados"
    rm -f "$alvo"
done <<EOF
padrao.pdf|imprimir $relatorio --pdf -
copia.spl|salvar $relatorio TARGET
copia.txt|salvar $texto TARGET
saida.pdf|imprimir $relatorio --pdf TARGET
pagina.png|visualizar $relatorio 1 TARGET --pdf
EOF

# A disk that fills up while the PDF is made stops the job at once: the
# message of the report's last page is never reached.
if [ "$montado" = 1 ]; then
    longo="$temp/longo.spl"
    python3 -c "
import sys
linha = b'uma linha de um relatorio longo, pagina %d, abcdefghij\r\n'
sys.stdout.buffer.write(b''.join(linha % p * 60 + b'\x0c' for p in range(5000)) + b'\x1b0ultima pagina\r.')" >"$longo"
    erro=$("$cli" imprimir "$longo" --pdf "$cheio/longo.pdf" 2>&1 >/dev/null)
    [ $? = 3 ] || falha "disco cheio durante o trabalho: $erro"
    if grep -q 'ultima pagina' <<<"$erro"; then falha "disco cheio: o trabalho foi até o fim"; fi
fi

# Targets refused before a byte is written, by every writer: the report
# itself (by name, symbolic link or hard link), a folder, a device, a folder
# that is not there. Each time the report comes out unchanged and nothing
# appears. target | what the message says
cp "$relatorio" "$temp/original"
ln -s vendas.spl "$temp/atalho.spl"
ln "$relatorio" "$temp/duro.spl"
mkdir "$temp/pasta"
while IFS='|' read -r alvo dito; do
    for comando in "imprimir $relatorio --pdf $alvo" "visualizar $relatorio 1 $alvo --pdf" \
                   "salvar $relatorio $alvo"; do
        # shellcheck disable=SC2086
        erro=$("$cli" $comando 2>&1 >/dev/null)
        codigo=$?
        [ "$codigo" = 3 ] || falha "$comando: código $codigo"
        grep -qF "$dito" <<<"$erro" || falha "$comando: \"$dito\" ausente em \"$erro\""
        cmp -s "$relatorio" "$temp/original" || { falha "$comando: o relatório mudou"; cp "$temp/original" "$relatorio"; }
    done
done <<EOF
$relatorio|próprio arquivo
$temp/atalho.spl|próprio arquivo
$temp/duro.spl|próprio arquivo
$temp/pasta|é uma pasta
/dev/full|não é um arquivo comum
$temp/nao/ha/x.pdf|$(python3 -c 'import os; print(os.strerror(2))')
EOF
[ -c /dev/full ] || falha "/dev/full foi substituído"
[ -z "$(ls -A "$temp/pasta")" ] || falha "algo foi gravado na pasta"

# A shared sticky folder: another user's link is refused, the user's own link
# is followed (the file it points at gets the PDF, the link stays).
if id nobody >/dev/null 2>&1 && [ "$(id -u)" = 0 ]; then
    mkdir -m 1777 "$temp/publica"
    printf 'alheio\n' >"$temp/vitima"
    ln -s "$temp/vitima" "$temp/publica/plantado.pdf"
    chown -h nobody "$temp/publica/plantado.pdf"
    erro=$("$cli" imprimir "$relatorio" --pdf "$temp/publica/plantado.pdf" 2>&1 >/dev/null)
    codigo=$?
    [ "$codigo" = 3 ] || falha "link alheio: código $codigo"
    grep -q "link simbólico de outro usuário" <<<"$erro" || falha "link alheio: \"$erro\""
    [ "$(cat "$temp/vitima")" = alheio ] || falha "link alheio: o arquivo apontado mudou"
    ln -s "$temp/meu.pdf" "$temp/publica/meu.pdf"
    "$cli" imprimir "$relatorio" --pdf "$temp/publica/meu.pdf" >/dev/null 2>&1 || falha "link próprio recusado"
    [ -L "$temp/publica/meu.pdf" ] || falha "link próprio substituído"
    pdfinfo "$temp/meu.pdf" >/dev/null 2>&1 || falha "link próprio: o PDF não foi gravado no destino do link"
fi

# Report text on the terminal: the C1 controls that code page 1252 leaves
# undefined come out as visible escapes, never as raw bytes.
printf '\x1b0a\x81b\x9dc\x1aABC\n.' >"$temp/mensagem.spl"
erro=$("$cli" imprimir "$temp/mensagem.spl" --pdf "$temp/mensagem.pdf" 2>&1 >/dev/null)
grep -qF 'a\u0081b\u009Dc' <<<"$erro" || falha "mensagem no terminal: \"$erro\""
if LC_ALL=C grep -qP '[\x00-\x08\x0b-\x1f\x7f]|\xc2[\x80-\x9f]' <<<"$erro"; then falha "controle cru no terminal"; fi

# Names are bytes: a report named in Latin-1 is read, and Latin-1 names and
# names of 255 bytes (the system's limit) are printed, saved and previewed
# under exactly those bytes.
mkdir "$temp/nomes"
latin1=$'\xe9'
longo=$(printf 'n%.0s' $(seq 251))
cp "$relatorio" "$temp/nomes/rel$latin1.spl"
for nome in "$latin1" "$longo"; do
    rel="$temp/nomes/rel$latin1.spl"
    # command | extension of the target (ALVO stands for it)
    while IFS='|' read -r comando ext; do
        alvo="$temp/nomes/$nome.$ext"
        # shellcheck disable=SC2086
        "$cli" ${comando//ALVO/$alvo} >/dev/null 2>&1 || falha "${comando%% *} ${#nome} bytes: código $?"
        [ -s "$alvo" ] || falha "${comando%% *}: ${alvo##*/} não foi gravado com esse nome"
    done <<EOF
imprimir $rel --pdf ALVO|pdf
salvar $rel ALVO|spl
salvar $rel ALVO|txt
visualizar --pdf $rel 1 ALVO|png
EOF
done
sobras=$(ls -A "$temp/nomes" | wc -l)
[ "$sobras" = 9 ] || falha "nomes: $(ls -A "$temp/nomes" | LC_ALL=C cat -v)"

# Exit statuses where the output goes wrong or loses something: standard
# output full or closed (the success line is then never told), a picture
# the report names and does not have, a platform without fonts. status | command | what stderr says
printf '\x1bGnao_existe.png\nP1\f\x1a' >"$temp/sem_figura.spl"
while IFS='|' read -r esperado comando dito; do
    erro=$(eval "$comando" 2>&1 >/dev/null)
    codigo=$?
    [ "$codigo" = "$esperado" ] || falha "$comando: código $codigo, esperado $esperado ($erro)"
    grep -qF "$dito" <<<"$erro" || falha "$comando: \"$dito\" ausente em \"$erro\""
    if [ "$esperado" = 3 ] && grep -q 'gravada' <<<"$erro"; then falha "$comando: sucesso anunciado"; fi
done <<EOF
3|"\$cli" paginas "\$relatorio" >/dev/full|No space left on device
3|"\$cli" --help >/dev/full|saída padrão
3|"\$cli" medir "\$relatorio" >/dev/full|saída padrão
3|"\$cli" imprimir "\$relatorio" --pdf - >/dev/full|saída padrão
3|"\$cli" imprimir "\$relatorio" --pdf - > >(exec <&-)|Broken pipe
3|"\$cli" salvar "\$relatorio" - > >(exec <&-)|Broken pipe
4|"\$cli" imprimir "\$temp/sem_figura.spl" --pdf "\$temp/sem_figura.pdf"|nao_existe.png
3|QT_QPA_PLATFORM=minimal "\$cli" imprimir "\$relatorio" --pdf "\$temp/sem_fontes.pdf"|não oferece fontes
EOF

[ "$falhas" = 0 ] || exit 1
echo ok
