# fish completion for tavrinqa

set -l verbs about datainfo hints menuinfo parentage positions tabs allcomponents formdata
set -l commands convert preview check alias catalogue

complete -c tavrinqa -f
complete -c tavrinqa -n "not __fish_seen_subcommand_from $verbs $commands" -a "$verbs" -d 'run a tool of the QA component'
complete -c tavrinqa -n "not __fish_seen_subcommand_from $verbs $commands" -a convert -d 'convert between text and binary'
complete -c tavrinqa -n "not __fish_seen_subcommand_from $verbs $commands" -a preview -d 'draw the form as the designer shows it'
complete -c tavrinqa -n "not __fish_seen_subcommand_from $verbs $commands" -a check -d 'check every form under the paths'
complete -c tavrinqa -n "not __fish_seen_subcommand_from $verbs $commands" -a alias -d 'add, list or remove database aliases'
complete -c tavrinqa -n "not __fish_seen_subcommand_from $verbs $commands" -a catalogue -d 'print a catalogue list'
complete -c tavrinqa -n "not __fish_seen_subcommand_from $verbs $commands" -l palette -d 'list what the package registers'
complete -c tavrinqa -n "not __fish_seen_subcommand_from $verbs $commands" -l version -d 'the version and commit'

complete -c tavrinqa -l help -d 'the options of the command'
complete -c tavrinqa -l home -x -a '(__fish_complete_directories)' -d 'the settings folder'

complete -c tavrinqa -n "__fish_seen_subcommand_from $verbs convert preview" -k -a '(__fish_complete_suffix .dfm; __fish_complete_suffix .lfm; __fish_complete_suffix .xfm)'
complete -c tavrinqa -n "__fish_seen_subcommand_from $verbs" -l print -d 'write the view as text, never save'
complete -c tavrinqa -n "__fish_seen_subcommand_from $verbs" -l script -r -F -d 'an automation script'
complete -c tavrinqa -n "__fish_seen_subcommand_from $verbs" -l output -r -F -d 'write the changed form here'
complete -c tavrinqa -n "__fish_seen_subcommand_from $verbs" -l no-save -d 'never write the form'
complete -c tavrinqa -n "__fish_seen_subcommand_from $verbs preview check" -l classes -r -F -d 'an extra class catalogue'
complete -c tavrinqa -n "__fish_seen_subcommand_from $verbs" -l unit -r -F -d 'the unit Paste inserts into'
complete -c tavrinqa -n "__fish_seen_subcommand_from $verbs" -l line -x -d 'the line of --unit'

complete -c tavrinqa -n "__fish_seen_subcommand_from convert preview" -s o -l output -r -F -d 'where to write'
complete -c tavrinqa -n "__fish_seen_subcommand_from convert" -l to -x -a 'text binary' -d 'the format to write'
complete -c tavrinqa -n "__fish_seen_subcommand_from convert preview" -l codepage -x -d 'the 8-bit code page'
complete -c tavrinqa -n "__fish_seen_subcommand_from preview" -l overlay -x -a 'tab-order findings' -d 'draw over the form'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -s o -l output -r -F -d 'html: the page to write'

complete -c tavrinqa -n "__fish_seen_subcommand_from check" -F
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l format -x -a 'text json sarif html' -d 'the report format'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l fail-on -x -a 'note warning error none' -d 'the least severity that fails'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l min-severity -x -a 'note warning error' -d 'the least severity reported'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l enable -x -a 'tab-reading-order tab-order-sequence tab-stop-hidden-parent label-focus-order label-focus-target label-not-linked accel-duplicate accel-label-no-focus accel-menu-clash mouse-only dialog-default-cancel hint-glyph-button hint-focusable hint-never-shown hint-equals-caption geometry-outside-parent geometry-zero-size geometry-overlap geometry-near-miss geometry-ppi component-default-name component-unresolved-reference component-no-datasource data-table-unknown data-field-unknown data-index-unknown data-query-invalid data-active-stored' -d 'turn rules on (comma-separated)'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l disable -x -a 'tab-reading-order tab-order-sequence tab-stop-hidden-parent label-focus-order label-focus-target label-not-linked accel-duplicate accel-label-no-focus accel-menu-clash mouse-only dialog-default-cancel hint-glyph-button hint-focusable hint-never-shown hint-equals-caption geometry-outside-parent geometry-zero-size geometry-overlap geometry-near-miss geometry-ppi component-default-name component-unresolved-reference component-no-datasource data-table-unknown data-field-unknown data-index-unknown data-query-invalid data-active-stored' -d 'turn rules off (comma-separated)'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l color -x -a 'auto always never' -d 'colour the text report'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l config -r -F -d 'the configuration'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l baseline -r -F -d 'the baseline'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l update-baseline -d "record today's findings"
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -s j -l jobs -x -d 'worker processes'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l fix -d 'put tab orders in reading order'
complete -c tavrinqa -n "__fish_seen_subcommand_from check" -l diff -d 'show --fix as a diff'

complete -c tavrinqa -n "__fish_seen_subcommand_from alias; and not __fish_seen_subcommand_from add list remove" -a 'add list remove'
complete -c tavrinqa -n "__fish_seen_subcommand_from catalogue; and not __fish_seen_subcommand_from databases tables procedures fields indexes" -a 'databases tables procedures fields indexes'
complete -c tavrinqa -n "__fish_seen_subcommand_from catalogue" -l system -d 'include the system ones'
complete -c tavrinqa -n "__fish_seen_subcommand_from catalogue" -l extended -d 'the extended description'
