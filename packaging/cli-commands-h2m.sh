#!/bin/sh
# The manual page's COMMANDS section: every command's own help, as `echovane-cli help COMMAND`
# prints it, so that the page cannot fall behind the program.
set -eu
cli=$1
echo "[commands]"
"$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p;/^Commands:/,/^$/s/^  \([a-z][a-z-]*\)$/\1/p' |
    while read -r command; do
        printf '.SS %s\n.nf\n' "$(printf '%s' "$command" | sed 's/-/\\-/g')"
        # Backslashes, minus signs and lines that start with a roff control character stay
        # text.
        "$cli" help "$command" |
            sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\([.']\)/\\\\\&\1/"
        printf '.fi\n'
    done
