#!/bin/sh
# Fails when a binary imports a MinGW runtime DLL (each must be linked fully static), or when
# one given after --no-windows imports a window library (a console program must open none).
#   check-imports.sh FILE... [--no-windows FILE...]
status=0
windowless=0
for file in "$@"; do
  [ "$file" = --no-windows ] && { windowless=1; continue; }
  imports=$(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ -n "$imports" ] || { echo "no import table read from $file"; status=1; continue; }
  echo "$(basename "$file") imports: $(echo $imports)"
  if echo "$imports" | grep -Ei 'libwinpthread|libstdc\+\+|libgcc'; then
    echo "$file: MinGW runtime DLL imported"
    status=1
  fi
  if [ "$windowless" -eq 1 ] && echo "$imports" | grep -Ei '^(user32|comctl32|comdlg32)\.dll$'; then
    echo "$file: window library imported"
    status=1
  fi
done
exit $status
