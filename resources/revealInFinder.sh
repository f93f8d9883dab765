#!/bin/sh
# Shows one folder in the desktop's file manager. Never fails the caller: a
# kiosk without a file manager simply shows nothing.
folder="$1"
if [ -z "$folder" ]; then
    exit 0
fi
# xdg-open would read a leading dash as an option.
case "$folder" in
    -*) folder="./$folder" ;;
esac
if command -v xdg-open >/dev/null 2>&1; then
    # Detached, so the caller does not wait for the file manager to close.
    nohup xdg-open "$folder" </dev/null >/dev/null 2>&1 &
fi
exit 0
