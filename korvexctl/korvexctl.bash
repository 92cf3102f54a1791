# bash completion for korvexctl: commands, options, the ports there are (as
# "korvexctl list" shows them, which writes to no port) and .cfg files.

_korvexctl()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" settings="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        --settings) settings=${COMP_WORDS[i + 1]} ;;
        list | read | write | verify | version | help) [[ -z $command ]] && command=${COMP_WORDS[i]} ;;
        esac
    done

    case $prev in
    -p | --port)
        local ports
        ports=$(korvexctl ${settings:+--settings "$settings"} list 2>/dev/null | awk '{ print $1 }')
        COMPREPLY=($(compgen -W "all $ports" -- "$cur"))
        return
        ;;
    -o | --output | --settings)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    --timing) COMPREPLY=($(compgen -W "reply protocol" -- "$cur")) && return ;;
    --parity) COMPREPLY=($(compgen -W "none even odd" -- "$cur")) && return ;;
    --baud) COMPREPLY=($(compgen -W "2400 4800 9600 19200 38400 57600" -- "$cur")) && return ;;
    esac

    if [[ $cur == -* ]]; then
        local options="-p --port --settings --baud --parity --timing --json -q --quiet -h --help --version"
        case $command in
        list) options+=" --probe" ;;
        read) options+=" -o --output" ;;
        write | verify) options+=" --partial" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -z $command || $command == help ]]; then
        COMPREPLY=($(compgen -W "list read write verify version help" -- "$cur"))
    elif [[ $command == write || $command == verify ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -X '!*.cfg' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -F _korvexctl korvexctl
