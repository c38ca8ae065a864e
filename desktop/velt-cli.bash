# bash completion for velt-cli. The subcommands and their options are read from velt-cli's
# own help, so the completion follows the installed program.
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

    case $prev in
        --serial)
            COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}"))
            return
            ;;
        -o | --output | --fleet)
            _filedir
            return
            ;;
        --to | --from | --wait | --jobs)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        local options
        options=$("${words[0]}" "$command" --help 2>/dev/null | grep -o -- '--[a-z][a-z-]*' |
            sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        _filedir '@(velt|VELT|suso|SUSO)'
    fi
} &&
    complete -F _velt_cli velt-cli
