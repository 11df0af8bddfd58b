# Completion for sonthra-cli: the verbs and each verb's options are read from the program's own
# usage text, so they stay true to the installed version.
_sonthra_cli() {
    local cur verb usage
    cur=${COMP_WORDS[COMP_CWORD]}
    usage=$(sonthra-cli --help 2>/dev/null)
    if [[ $COMP_CWORD -eq 1 ]]; then
        local verbs
        verbs=$(sed -n 's/^  sonthra-cli \([a-z][a-z0-9|-]*\).*/\1/p' <<<"$usage" | tr '|' ' ')
        COMPREPLY=($(compgen -W "$verbs --help --version" -- "$cur"))
        return
    fi
    verb=${COMP_WORDS[1]}
    if [[ $cur == -* ]]; then
        # The usage lines of this verb: its own line and the indented lines that continue it.
        local options
        options=$(awk -v verb="$verb" '
            /^  sonthra-cli / { split($2, names, "|"); mine = 0
                                for (i in names) if (names[i] == verb) mine = 1 }
            /^      / && !/^                 / { mine = 0 }
            mine' <<<"$usage" | grep -o -- '--[a-z][a-z0-9-]*' | sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _sonthra_cli sonthra-cli
