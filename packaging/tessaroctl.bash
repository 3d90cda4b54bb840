# bash completion for tessaroctl                                     -*- shell-script -*-
# Made from tessaroctl's command table: tessaroctl --bash-completion > this file

_tessaroctl()
{
    local cur prev words cword
    _init_completion -n = || return

    local commands="ports get apply diff set records find discover net"
    local keys="output_format card_input_format enter line_feed baud_rate data_bits stop_bits
        parity qr_output_format reset_interval working_mode horn light barcode_prefix
        barcode_suffix card_prefix card_suffix card_output_format wiegand_high_pulse_us
        wiegand_low_pulse_us wiegand_output_order card_number_format start_bit"
    local netkeys="network_mode ip mask gateway dns1 dns2 server_address server_port http_server"

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --port)
            COMPREPLY=($(compgen -W "$(compgen -G '/dev/tty[SUA]*')" -- "$cur"))
            ((${#COMPREPLY[@]})) || _filedir
            return
            ;;
        --baud)
            COMPREPLY=($(compgen -W "auto 4800 9600 14400 19200 115200 256000" -- "$cur"))
            return
            ;;
        --card-output-format)
            COMPREPLY=($(compgen -W "hex ASCII" -- "$cur"))
            return
            ;;
        --out | --trace | --pcap | --from)
            _filedir
            return
            ;;
        --csv)
            _filedir csv
            return
            ;;
        --seconds | --device | --address | --name | --jobs)
            return
            ;;
        keep)
            _filedir
            return
            ;;
    esac

    local options="--help"
    case ${words[1]} in
        ports) options+=" --json" ;;
        get) options+=" --port --baud --card-output-format --json --out --trace --pcap" ;;
        apply) options+=" --port --baud --all --dry-run --json --trace --pcap" ;;
        diff) options+=" --port --baud --json --trace --pcap" ;;
        set) options+=" --port --baud --json --trace --pcap" ;;
        records) options+=" --port --baud --trace --pcap" ;;
        find) options+=" --port --json --trace --pcap" ;;
        discover) options+=" --seconds --json" ;;
        net)
            case ${words[2]} in
                get) options+=" --device --address --seconds --json --out" ;;
                set) options+=" --device --address --name --seconds --dry-run --json --from --csv --jobs" ;;
            esac
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case ${words[1]} in
        apply | diff)
            _filedir json
            ;;
        set)
            compopt -o nospace
            COMPREPLY=($(compgen -W "$keys" -S = -- "$cur"))
            ;;
        records)
            COMPREPLY=($(compgen -W "total read keep" -- "$cur"))
            ;;
        net)
            if ((cword == 2)); then
                COMPREPLY=($(compgen -W "get set" -- "$cur"))
            elif [[ ${words[2]} == set ]]; then
                compopt -o nospace
                COMPREPLY=($(compgen -W "$netkeys" -S = -- "$cur"))
            fi
            ;;
    esac
} &&
    complete -F _tessaroctl tessaroctl

# ex: filetype=sh
