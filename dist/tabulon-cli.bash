# bash completion for tabulon-cli. The commands and each command's options come from the
# program's own help, so the completion follows it.
_tabulon_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    if [[ $COMP_CWORD -eq 1 ]]; then
        local commands
        commands=$(tabulon-cli --help 2>/dev/null | sed -n 's/^  \([a-z][a-z|-]*\) .*/\1/p' | tr '|' ' ')
        mapfile -t COMPREPLY < <(compgen -W "$commands --help --version" -- "$cur")
    elif [[ $cur == -* ]]; then
        local options
        options=$(tabulon-cli "${COMP_WORDS[1]}" --help 2>/dev/null | grep -o -- '--[a-z-]*' | sort -u)
        mapfile -t COMPREPLY < <(compgen -W "$options --help" -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}
complete -o filenames -F _tabulon_cli tabulon-cli
