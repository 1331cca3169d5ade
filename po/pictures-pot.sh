#!/bin/sh
# pictures-pot.sh PICTURE_WORDS ASSETGEN OUT.pot: the words drawn into the
# pictures (listed by the build's picture-words.sh) as a message template,
# for molfo-pot to merge with the sources' texts.
set -eu
{
    printf 'msgid ""\nmsgstr ""\n"Content-Type: text/plain; charset=UTF-8\\n"\n"Content-Transfer-Encoding: 8bit\\n"\n\n'
    sh "$1" "$2" | sort -u | sed 's/\\/\\\\/g; s/"/\\"/g' | while IFS= read -r words; do
        printf '#. drawn into a picture\nmsgid "%s"\nmsgstr ""\n\n' "$words"
    done
} >"$3"
