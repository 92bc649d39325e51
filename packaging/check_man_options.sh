#!/bin/bash
# Checks that the manual page of speckwash-cli and the program's own --help
# name the same verbs, and for each verb the same options.
#   check_man_options.sh SPECKWASH_CLI MAN_SOURCE.scd
set -euo pipefail
cli=$1
page=$2

# The option of each term line, the last one when a short alias comes first
# ("-q, --quiet" gives --quiet, "-o OUTPUT" gives -o).
help_options() {
    "$cli" "$1" --help | grep -E '^  -' | sed -E 's/^  ((-[a-zA-Z], )?(--?[a-zA-Z][a-zA-Z-]*)).*/\3/' | sort -u
}
page_options() {
    local section=$1
    awk -v want="# OPTIONS OF $section" '/^# /{inside = ($0 == want); next} inside' "$page" |
        grep -E '^\*-' | sed -E 's/^(\*-[a-zA-Z]\*, )?\*(--?[a-zA-Z][a-zA-Z-]*)\*.*/\2/' | sort -u
}
help_verbs() {
    "$cli" --help | awk '/^Verbs:/{inside = 1; next} /^$/{inside = 0} inside' | grep -E '^  [a-z]' | awk '{print $1}' | sort -u
}
page_verbs() {
    awk '/^# /{inside = ($0 == "# VERBS"); next} inside' "$page" | grep -E '^\*[a-z]' | sed -E 's/^\*([a-z]+)\*.*/\1/' | sort -u
}

status=0
compare() { # what, from --help, from the page
    if [ "$2" != "$3" ]; then
        echo "$1 differ between --help and $page:"
        diff <(echo "$2") <(echo "$3") | grep '^[<>]' | sed 's/^</  only in --help:/; s/^>/  only in the page:/'
        status=1
    fi
}
verbs=$(help_verbs)
[ -n "$verbs" ] || { echo "no verbs found in $cli --help"; exit 1; }
compare "the verbs" "$verbs" "$(page_verbs)"
for verb in $verbs; do
    options=$(help_options "$verb")
    [ -n "$options" ] || { echo "no options found in $cli $verb --help"; status=1; }
    compare "the options of $verb" "$options" "$(page_options "${verb^^}")"
done
exit $status
