# bash completion for velt-cli. The subcommands, their options and what each option's value
# is are read from velt-cli's own help, so the completion follows the installed program.

# The options of one subcommand as "name value" lines (value empty for a switch), short names
# included. The help puts each option in a column of 22 characters (not bytes) after two
# spaces: the name, then its value word if it takes one.
_velt_cli_options()
{
    "$1" "$2" --help 2>/dev/null |
        LC_ALL=C.UTF-8 sed -n 's/^  \(-[^ ].\{0,21\}\).*/\1/p' |
        while read -r first second third; do
            if [[ $first == -?, ]]; then
                printf '%s %s\n' "${first%,}" "$third" "$second" "$third"
            else
                printf '%s %s\n' "$first" "$second"
            fi
        done
}

_velt_cli()
{
    local cur prev words cword
    _init_completion || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            command=${words[i]}
            break
        fi
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--help --version' -- "$cur"))
        else
            local commands
            commands=$("${words[0]}" --help 2>/dev/null |
                sed -n '/^Команды:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p')
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local options
    options=$(_velt_cli_options "${words[0]}" "$command")
    if [[ $prev == -* ]]; then
        local value
        value=$(awk -v name="$prev" '$1 == name { print $2 }' <<<"$options")
        case $value in
            "") ;;
            КАТАЛОГ*)
                _filedir -d
                return
                ;;
            УСТРОЙСТВО*)
                COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}"))
                return
                ;;
            ФАЙЛ* | СПИСОК*)
                _filedir
                return
                ;;
            *) # an address, a number
                return
                ;;
        esac
    fi

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(cut -d' ' -f1 <<<"$options")" -- "$cur"))
    else
        _filedir '@(velt|VELT|suso|SUSO)'
    fi
} &&
    complete -F _velt_cli velt-cli
