#!/usr/bin/env bash
# Checks Papelada as a distribution installs it, from a built tree (default
# build/): the staged install (programs, desktop entry, MIME type, icon,
# AppStream metadata, manual pages, completion, CUPS filter and rules), then
# the Debian package: built with CPack, installed with dpkg, its programs run
# from /usr, and removed again. The package part needs root; without it, it
# is skipped with a note.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
amostra=$PWD/samples/relatorio_vendas.spl
tmp=$(mktemp -d)
pacote_instalado=0
limpar() {
  [ "$pacote_instalado" = 1 ] && dpkg -r papelada >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap limpar EXIT
falha() { echo "instalacao: $*" >&2; exit 1; }

# 1. The staged install.
stage=$tmp/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
u=$stage/usr
for f in bin/papelada bin/papelada-cli lib/cups/filter/papeladatopdf; do
  [ -x "$u/$f" ] || falha "falta o programa $f"
done
for f in share/applications/br.com.orvel.Papelada.desktop share/mime/packages/papelada.xml \
         share/icons/hicolor/scalable/apps/papelada.svg share/metainfo/br.com.orvel.Papelada.metainfo.xml \
         share/man/man1/papelada.1.gz share/man/man1/papelada-cli.1.gz \
         share/doc/papelada/copyright share/doc/papelada/changelog.gz \
         share/bash-completion/completions/papelada-cli share/cups/mime/papelada.types \
         share/cups/mime/papelada.convs; do
  [ -s "$u/$f" ] || falha "falta o arquivo $f"
done
desktop-file-validate "$u/share/applications/br.com.orvel.Papelada.desktop"
appstreamcli validate --no-net "$u/share/metainfo/br.com.orvel.Papelada.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$u/share/metainfo/br.com.orvel.Papelada.metainfo.xml"
# The MIME package compiles, and its glob outweighs the system's other *.spl.
cp -r /usr/share/mime/packages "$tmp/mime-packages"
mkdir -p "$tmp/mime" && mv "$tmp/mime-packages" "$tmp/mime/packages"
cp "$u/share/mime/packages/papelada.xml" "$tmp/mime/packages/"
XDG_DATA_DIRS=$tmp update-mime-database "$tmp/mime"
melhor=$(grep ':\*\.spl$' "$tmp/mime/globs2" | sort -t: -k1,1nr | head -1)
[ "${melhor#*:}" = "application/x-papelada-spool:*.spl" ] || falha "*.spl não é application/x-papelada-spool: $melhor"
for m in "$u"/share/man/man1/*.1.gz; do
  [ -z "$(zcat "$m" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1)" ] || falha "página de manual com avisos: $m"
done
grep -q '^StartupWMClass=Papelada$' "$u/share/applications/br.com.orvel.Papelada.desktop" || falha "StartupWMClass"
# Hardened programs: position-independent, relocations read-only and bound
# at start, stack protector (FORTIFY is in the compile flags; lintian tells
# whether any call needed a checked function).
for f in bin/papelada bin/papelada-cli lib/cups/filter/papeladatopdf; do
  elf=$(readelf -h -l -d "$u/$f"; nm -D "$u/$f")
  grep -q 'Type: *DYN' <<<"$elf" || falha "$f não é PIE"
  grep -q GNU_RELRO <<<"$elf" || falha "$f sem RELRO"
  grep -q 'FLAGS.*NOW' <<<"$elf" || falha "$f sem BIND_NOW"
  grep -q __stack_chk_fail <<<"$elf" || falha "$f sem proteção de pilha"
done
# The completion offers the commands, and each command's options.
completar() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           _papelada_cli; echo "${COMPREPLY[*]}"' _ "$u/share/bash-completion/completions/papelada-cli" "$@"
}
[ "$(completar papelada-cli imp)" = "imprimir impressoras" ] || falha "completar comandos: $(completar papelada-cli imp)"
[ "$(completar papelada-cli imprimir --co)" = "--copias" ] || falha "completar opções: $(completar papelada-cli imprimir --co)"
echo "instalacao: a instalação em pasta está completa."

# 2. The Debian package.
if [ "$(id -u)" -ne 0 ]; then
  echo "instalacao: sem root, o pacote .deb não é instalado (só root usa dpkg -i)."
  exit 0
fi
(cd "$build" && cpack -G DEB >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log" >&2; falha "cpack"; }
deb=$(ls -t "$build"/papelada_*.deb | head -1)
for d in qt6-translations-l10n libqt6svg6 libcups2; do
  dpkg-deb -f "$deb" Depends | grep -q "$d" || falha "o pacote não depende de $d"
done
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 || { cat "$tmp/lintian.log" >&2; falha "lintian"; }
fi
dpkg -i "$deb" >/dev/null
pacote_instalado=1
/usr/bin/papelada-cli --version | grep -qx "Papelada $(dpkg-deb -f "$deb" Version)" || falha "papelada-cli --version"
/usr/bin/papelada-cli imprimir "$amostra" --pdf "$tmp/instalado.pdf" >/dev/null 2>&1
[ "$(pdfinfo "$tmp/instalado.pdf" | awk '/^Pages:/ {print $2}')" = 3 ] || falha "a impressão em PDF do programa instalado"
/usr/lib/cups/filter/papeladatopdf 1 usuario vendas 1 "" < "$amostra" 2>/dev/null > "$tmp/filtro.pdf"
[ "$(pdfinfo "$tmp/filtro.pdf" | awk '/^Pages:/ {print $2}')" = 3 ] || falha "o filtro instalado"
dpkg -r papelada >/dev/null
pacote_instalado=0
[ ! -e /usr/bin/papelada-cli ] || falha "o pacote removido deixou /usr/bin/papelada-cli"
echo "instalacao: o pacote $(basename "$deb") instala, imprime e é removido."
