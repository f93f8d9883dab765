#!/bin/sh
# getnewestfiles.sh FOLDER COUNT [CODE]
#
# Prints the paths of the newest photos (JPEG files) of one code folder of the
# day folder FOLDER, or of all its code folders when no CODE is given: at most
# COUNT of them, newest first, one a line, relative to FOLDER ("./CODE/x.jpg").
# Hidden files and folders are skipped, and so are names holding a newline
# (they cannot be told apart from two lines). Photos that have only just
# arrived are listed too: the copier waits until a photo is whole and
# unchanged before it copies it.
#
# Nothing named in the arguments is ever run or interpreted: they only reach
# find as quoted start paths.

usage() {
    echo "usage: getnewestfiles.sh FOLDER COUNT [CODE]" >&2
    exit 2
}

[ "$#" -eq 2 ] || [ "$#" -eq 3 ] || usage
folder=$1
count=$2

case $count in
    '' | *[!0-9]*) usage ;;
esac
# Bounded so the number stays a plain integer for sed.
case $count in
    ??????????*) count=999999999 ;;
esac
count=$((count + 0))
[ "$count" -gt 0 ] || exit 0

# The code names exactly one folder directly inside FOLDER.
nl='
'
if [ "$#" -eq 3 ]; then
    code=$3
    case $code in
        '' | . | .. | */* | *"$nl"*) echo "getnewestfiles.sh: refused code" >&2; exit 2 ;;
    esac
fi

export LC_ALL=C
unset CDPATH
case $folder in
    '') usage ;;
    -*) folder=./$folder ;;
esac
cd "$folder" 2>/dev/null || exit 1

if [ -n "${code+set}" ]; then
    start=./$code
    depth=1
else
    start=.
    depth=2
fi

# %T@ has no blank, so the first blank ends the time stamp.
find "$start" -mindepth "$depth" -maxdepth "$depth" -type f \
    ! -path '*/.*' ! -path "*$nl*" \
    \( -iname '*.jpg' -o -iname '*.jpeg' \) \
    -printf '%T@ %p\n' |
    sort -rn |
    sed -e 's/^[^ ]* //' -e "${count}q"
