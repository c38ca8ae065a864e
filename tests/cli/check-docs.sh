#!/usr/bin/env bash
# The man page and the bash completion know every subcommand and option velt-cli knows.
# check-docs.sh VELT_CLI MAN_PAGE COMPLETION
set -euo pipefail
cli=$1
page=$2
completion=$3
export LC_ALL=C.UTF-8
fail() {
    echo "$*" >&2
    exit 1
}

said=$(groff -k -man -Tutf8 -ww -z "$page" 2>&1) || fail "groff failed: $said"
[[ -z $said ]] || fail "groff warns: $said"

# bash-completion's helpers, as far as the completion uses them.
_init_completion() {
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
    cur=${words[cword]}
    prev=${words[cword - 1]}
}
_filedir() { COMPREPLY=("files:${1:-}"); }
# shellcheck source=/dev/null
source "$completion"
completed() {
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _velt_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

commands=$("$cli" --help | sed -n '/^Команды:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p' | sort)
[[ $(wc -l <<<"$commands") -ge 9 ]] || fail "velt-cli --help lists no commands: $commands"
[[ $(completed "") == "$commands" ]] || fail "completion offers $(completed "" | xargs)"

projects="files:@(velt|VELT|suso|SUSO)"
for command in $commands; do
    section=$(sed -n "/^\.SS $command\$/,/^\.S[SH] /p" "$page")
    [[ -n $section ]] || fail "man page: no .SS $command"
    offered=$(completed "$command" -)
    while read -r line; do
        [[ -n $line ]] || continue
        value=$(sed 's/^-[a-z], //' <<<"$line" | cut -s -d' ' -f2)
        for option in $(grep -o -- '-\{1,2\}[a-z][a-z-]*' <<<"$line"); do
            [[ $option == --json || $option == --help ]] && continue
            grep -qF -- "${option//-/\\-}" <<<"$section" || fail "man page: $command lacks $option"
            grep -qx -- "$option" <<<"$offered" || fail "completion: $command lacks $option"
            after=$(completed "$command" "$option" "")
            if [[ -z $value && $after != "$projects" ]] || [[ -n $value && $after == "$projects" ]]; then
                fail "completion after $command $option (value '$value'): $after"
            fi
        done
    done < <("$cli" "$command" --help | sed -n 's/^  \(-[^ ].\{0,21\}\).*/\1/p')
done
