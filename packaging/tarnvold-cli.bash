# SPDX-License-Identifier: GPL-3.0-or-later
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
    local options="--password-file --password-encoding --yes -y --quiet -q --verbose -v --keep-going --no-progress --help -h --version -V"

    # --password-file=FILE: bash may give it as one word or as three
    # ("--password-file" "=" "FILE").
    if [[ $cur == --password-file=* ]]; then
        local given=${cur#*=}
        cur=$given
        _tarnvold_cli_paths -f
        if [[ $COMP_WORDBREAKS != *=* ]]; then
            COMPREPLY=("${COMPREPLY[@]/#/--password-file=}")
        fi
        return
    fi
    if [[ $prev == --password-encoding ]]; then
        COMPREPLY=($(compgen -W "utf-8 windows-1250 windows-1251 windows-1252 windows-1253 windows-1254 windows-1255 windows-1256 windows-1257 windows-1258 windows-874" -- "$cur"))
        return
    fi
    if [[ $prev == --password-file ]] ||
        [[ $prev == = && $cword -ge 2 && ${words[cword - 2]} == --password-file ]]; then
        _tarnvold_cli_paths -f
        return
    fi

    # The command is the first word that is neither an option nor the
    # password file; after "--" every word is an operand.
    local i command="" operands_only=0
    for ((i = 1; i < cword; i++)); do
        if ((operands_only)); then
            [[ -z $command ]] && command=${words[i]}
            continue
        fi
        case ${words[i]} in
            --) operands_only=1 ;;
            --password-file | --password-encoding)
                if [[ ${words[i + 1]} == = ]]; then ((i += 2)); else ((i++)); fi ;;
            -*) ;;
            *) [[ -z $command ]] && command=${words[i]} ;;
        esac
    done

    if [[ $cur == -* ]] && ((!operands_only)); then
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
