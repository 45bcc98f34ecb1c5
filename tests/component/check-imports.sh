#!/bin/sh
# Fails when the binary imports a MinGW runtime DLL (it must be linked fully static), or a DLL
# matching the extended regular expression given as the second argument.
#   check-imports.sh BINARY [FORBIDDEN]
dll=$1 forbidden=${2:-}
imports=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$imports" ] || { echo "no import table read from $dll"; exit 1; }
echo "imports: $(echo $imports)"
if echo "$imports" | grep -Ei 'libwinpthread|libstdc\+\+|libgcc'; then
  echo "MinGW runtime DLL imported"
  exit 1
fi
if [ -n "$forbidden" ] && echo "$imports" | grep -Ei "^($forbidden)\.dll$"; then
  echo "forbidden DLL imported"
  exit 1
fi
exit 0
