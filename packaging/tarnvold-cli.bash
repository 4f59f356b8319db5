# bash completion for tarnvold-cli: its commands, its options, and files or
# (for code-dir and decode-dir) folders as operands.

_tarnvold_cli() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    fi

    local commands="code decode test code-dir decode-dir"
    local options="--password-file --password-encoding --yes -y --quiet -q --keep-going --no-progress --help -h --version"

    if [[ $prev == --password-encoding ]]; then
        COMPREPLY=($(compgen -W "utf-8 windows-1250 windows-1251 windows-1252 windows-1253 windows-1254 windows-1255 windows-1256 windows-1257 windows-1258 windows-874" -- "$cur"))
        return
    fi
    if [[ $prev == --password-file ]]; then
        _tarnvold_cli_paths -f
        return
    fi

    # The command is the first word that is neither an option nor the
    # password file.
    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --password-file | --password-encoding) ((i++)) ;;
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ $command == code-dir || $command == decode-dir ]]; then
        _tarnvold_cli_paths -d
    else
        _tarnvold_cli_paths -f
    fi
}

# Folders (-d) or files and folders (-f) matching the current word.
_tarnvold_cli_paths() {
    if declare -F _filedir >/dev/null; then
        if [[ $1 == -d ]]; then _filedir -d; else _filedir; fi
        return
    fi
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    if [[ $1 == -d ]]; then
        COMPREPLY=($(compgen -d -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}

complete -F _tarnvold_cli tarnvold-cli
