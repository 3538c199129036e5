# bash completion for papelada-cli: commands, each command's options, printer
# names from the system, spool files and output files.
_papelada_cli()
{
    local cur prev words cword
    _init_completion -s || return

    local comandos="imprimir medir paginas visualizar salvar enviar vigiar impressoras"
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$comandos --help --version" -- "$cur"))
        return
    fi

    local opcoes
    case ${words[1]} in
        imprimir) opcoes="--pdf --impressora --paginas --copias --margens --dpi --help" ;;
        medir | paginas) opcoes="--pdf --impressora --help" ;;
        visualizar) opcoes="--zoom --procurar --pdf --impressora --help" ;;
        salvar | impressoras) opcoes="--help" ;;
        enviar) opcoes="--paginas --para --margens --help" ;;
        vigiar) opcoes="--impressora --pdf-em --margens --help" ;;
        *) return ;;
    esac

    case $prev in
        --impressora)
            local IFS=$'\n'
            COMPREPLY=($(compgen -W "$(papelada-cli impressoras 2>/dev/null | cut -f1)" -- "$cur"))
            return
            ;;
        --pdf)
            # imprimir writes a PDF file; elsewhere --pdf takes no value.
            if [[ ${words[1]} == imprimir ]]; then
                _filedir pdf
                return
            fi
            ;;
        --pdf-em)
            _filedir -d
            return
            ;;
        --paginas | --copias | --margens | --dpi | --zoom | --procurar | --para)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opcoes" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi
    case ${words[1]} in
        visualizar) _filedir '@(spl|SPL|png)' ;;
        salvar) _filedir ;;
        impressoras) ;;
        vigiar) _filedir -d ;;
        *) _filedir '@(spl|SPL)' ;;
    esac
} &&
    complete -F _papelada_cli papelada-cli
