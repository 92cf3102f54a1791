# bash completion for korvexctl: its commands and each command's options, as
# its own help lists them (so they never drift from what it takes), the ports
# there are (as "korvexctl list" shows them, which writes to no port) and
# .cfg files.

_korvexctl()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" settings="" commands i
    commands=$(korvexctl help 2>/dev/null | awk '/^Commands:/ { on = 1; next } /^[^ ]/ { on = 0 }
                                                 on && /^  [a-z]/ { print $1 }' | tr '\n' ' ')
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == --settings ]]; then
            settings=${COMP_WORDS[i + 1]}
        elif [[ -z $command && " $commands " == *" ${COMP_WORDS[i]} "* ]]; then
            command=${COMP_WORDS[i]}
        fi
    done

    case $prev in
    -p | --port)
        local ports
        ports=$(korvexctl ${settings:+--settings "$settings"} list 2>/dev/null | awk '{ print $1 }')
        COMPREPLY=($(compgen -W "all $ports" -- "$cur"))
        return
        ;;
    -o | --output | --settings | --log)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    --watch)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
        return
        ;;
    --timing) COMPREPLY=($(compgen -W "reply protocol" -- "$cur")) && return ;;
    --parity) COMPREPLY=($(compgen -W "none even odd" -- "$cur")) && return ;;
    -b | --baud) COMPREPLY=($(compgen -W "2400 4800 9600 19200 38400 57600" -- "$cur")) && return ;;
    --wait | --count | --settle) return ;;
    esac

    if [[ $cur == -* ]]; then
        # The option lines of the command's help: "  -p, --port PORT  ...".
        local options
        options=$(korvexctl help ${command:+"$command"} 2>/dev/null |
            sed -n -E 's/^  (-[a-z], )?(--[a-z-]+).*/\1\2/p' | tr -d ',')
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -z $command || $command == help ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ $command == write || $command == verify || $command == station || $command == check ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -X '!*.cfg' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -F _korvexctl korvexctl
