# bash completion for tavrinqa

_tavrinqa() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local verbs="about datainfo hints menuinfo parentage positions tabs allcomponents formdata"
    local commands="convert preview check alias catalogue"
    COMPREPLY=()
    if [[ $COMP_CWORD -eq 1 ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--palette --help --version --home" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$verbs $commands" -- "$cur"))
        fi
        return
    fi
    case $prev in
        --home) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --script|--output|-o|--classes|--unit|--config|--baseline) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --to) COMPREPLY=($(compgen -W "text binary" -- "$cur")); return ;;
        --format) COMPREPLY=($(compgen -W "text json sarif html" -- "$cur")); return ;;
        --overlay) COMPREPLY=($(compgen -W "tab-order findings" -- "$cur")); return ;;
        --fail-on) COMPREPLY=($(compgen -W "note warning error none" -- "$cur")); return ;;
        --min-severity) COMPREPLY=($(compgen -W "note warning error" -- "$cur")); return ;;
        --color) COMPREPLY=($(compgen -W "auto always never" -- "$cur")); return ;;
        --enable|--disable)
            # A comma-separated list: complete the rule after the last comma.
            local rules="tab-reading-order tab-order-sequence tab-stop-hidden-parent label-focus-order label-focus-target label-not-linked accel-duplicate accel-label-no-focus accel-menu-clash mouse-only dialog-default-cancel hint-glyph-button hint-focusable hint-never-shown hint-equals-caption geometry-outside-parent geometry-zero-size geometry-overlap geometry-near-miss geometry-ppi component-default-name component-unresolved-reference component-no-datasource data-table-unknown data-field-unknown data-index-unknown data-query-invalid data-active-stored"
            local done=; [[ $cur == *,* ]] && done=${cur%,*},
            COMPREPLY=($(compgen -P "$done" -W "$rules" -- "${cur##*,}")); return ;;
        --codepage|--line|-j|--jobs) return ;;
    esac
    local command=${COMP_WORDS[1],,} options
    case $command in
        convert) options="-o --output --to --codepage --home --help" ;;
        preview) options="-o --output --overlay --codepage --home --classes --help" ;;
        check) options="--format -o --output --fail-on --min-severity --enable --disable --color --config --baseline --update-baseline -j --jobs --fix --diff --home --classes --help" ;;
        alias) options="--home --help"
            [[ $COMP_CWORD -eq 2 && $cur != -* ]] && { COMPREPLY=($(compgen -W "add list remove" -- "$cur")); return; } ;;
        catalogue) options="--system --extended --home --help"
            [[ $COMP_CWORD -eq 2 && $cur != -* ]] && { COMPREPLY=($(compgen -W "databases tables procedures fields indexes" -- "$cur")); return; } ;;
        *) options="--print --script --output --no-save --home --classes --unit --line --help" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
        alias|catalogue) return ;;
        check) COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X '!*.@(dfm|lfm|xfm|DFM|LFM|XFM)' -- "$cur")) ;;
        *) COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X '!*.@(dfm|lfm|xfm|DFM|LFM|XFM)' -- "$cur")) ;;
    esac
}
complete -o filenames -F _tavrinqa tavrinqa
