#!/bin/bash
# papelada-cli enviar with a stand-in xdg-email that records its arguments and
# keeps a copy of the attachment: the attachment is a sound PDF with the same
# pages and text as imprimir --pdf of the same pages, named after the report,
# and gone once the command has ended. Then the mail program missing or
# failing: a clear message, exit 3.
set -uo pipefail
build=$1 fonte=$2
command -v qpdf >/dev/null && command -v pdftotext >/dev/null || { echo "qpdf ou poppler-utils não instalado (scripts/setup.sh)" >&2; exit 1; }
cli="$build/papelada-cli"
temp=$(mktemp -d)
trap 'rm -rf "$temp"' EXIT
export XDG_CONFIG_HOME="$temp/config" QT_QPA_PLATFORM=offscreen TMPDIR="$temp/tmp"
mkdir -p "$temp/bin" "$TMPDIR"
falhas=0
falha() { echo "FALHA: $*"; falhas=$((falhas + 1)); }
cat >"$temp/bin/xdg-email" <<'FIM'
#!/bin/bash
printf '%s\n' "$@" >"$REGISTRO"
while [ $# -gt 0 ]; do [ "$1" = --attach ] && cp "$2" "$REGISTRO.pdf"; shift; done
exit "${SAIDA:-0}"
FIM
chmod +x "$temp/bin/xdg-email"
relatorio="$temp/relatorio_vendas.spl"
cp "$fonte/samples/relatorio_vendas.spl" "$relatorio"

# options | the recipient's line (empty: none)
while IFS='|' read -r opcoes para; do
    reg="$temp/reg"
    rm -f "$reg" "$reg.pdf"
    # shellcheck disable=SC2086
    PATH="$temp/bin:$PATH" REGISTRO="$reg" "$cli" enviar "$relatorio" $opcoes >/dev/null 2>&1 \
        || falha "$opcoes: código $?"
    mapfile -t args <"$reg"
    anexo=${args[1]:-}
    esperado=(--attach "$anexo" --subject relatorio_vendas ${para:+"$para"})
    [ "${args[*]}" = "${esperado[*]}" ] || falha "$opcoes: argumentos \"${args[*]}\""
    [ "$(basename "$anexo")" = relatorio_vendas.pdf ] || falha "$opcoes: anexo $anexo"
    [ -e "$anexo" ] && falha "$opcoes: o anexo ficou depois do fim"
    [ -z "$(ls -d "$TMPDIR"/papelada-email-* 2>/dev/null)" ] || falha "$opcoes: a pasta do anexo ficou"
    qpdf --check "$reg.pdf" >/dev/null || falha "$opcoes: PDF inválido"
    # The same pages printed into a file.
    # shellcheck disable=SC2086
    "$cli" imprimir "$relatorio" --pdf "$temp/impresso.pdf" ${opcoes//--para*/} >/dev/null 2>&1
    [ "$(pdftotext "$reg.pdf" -)" = "$(pdftotext "$temp/impresso.pdf" -)" ] || falha "$opcoes: texto difere"
    [ "$(pdfinfo "$reg.pdf" | grep Pages)" = "$(pdfinfo "$temp/impresso.pdf" | grep Pages)" ] \
        || falha "$opcoes: páginas diferem"
done <<FIM
|
--paginas 2-3 --margens 5,7 --para ana@exemplo.com.br|ana@exemplo.com.br
FIM

# PATH | exit code of the stand-in | words of the message
while IFS='|' read -r caminho codigo mensagem; do
    erro=$(PATH="$caminho" REGISTRO="$temp/reg" SAIDA=$codigo "$cli" enviar "$relatorio" 2>&1 >/dev/null)
    c=$?
    [ "$c" = 3 ] || falha "$codigo: código $c"
    grep -qF "$mensagem" <<<"$erro" || falha "$codigo: mensagem \"$erro\""
    [ -z "$(ls -d "$TMPDIR"/papelada-email-* 2>/dev/null)" ] || falha "$codigo: a pasta do anexo ficou"
done <<FIM
/nenhum|0|Não há programa de e-mail configurado
$temp/bin:$PATH|3|Não há programa de e-mail configurado
$temp/bin:$PATH|4|O programa de e-mail não pôde abrir a mensagem
FIM
# An address that xdg-email would take for an option.
"$cli" enviar "$relatorio" --para=--utf8 >/dev/null 2>&1
[ $? = 1 ] || falha "endereço iniciado por - aceito"

[ "$falhas" = 0 ] && echo "teste_enviar: ok"
exit "$falhas"
