#!/bin/sh
# The module's export table holds exactly the two plain C names, undecorated.
set -eu
objdump=$1 dll=$2
names=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p')
echo "$names"
[ "$names" = "CreateModuleInstance
DeleteModuleInstance" ]
