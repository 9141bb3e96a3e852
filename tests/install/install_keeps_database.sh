#!/usr/bin/env bash
# An installation never replaces the database in the program folder: install into a temporary
# prefix, log a call into the installed file, make the built empty file the newer one, and
# install again (twice: once over the same name, once over another case of it).
set -euo pipefail
cmake=$1 build=$2 program_dir=$3

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
folder=$prefix/$program_dir
fail() { echo "FAIL: $*" >&2; exit 1; }
install() { "$cmake" --install "$build" --prefix "$prefix" >"$prefix/install.log" 2>&1 ||
    { cat "$prefix/install.log" >&2; fail "cmake --install"; }; }
calls() { sqlite3 "$1" "SELECT COUNT(*) FROM Llamadas;"; }

install
[ -f "$folder/Llamora.mdb" ] || fail "the first installation put no Llamora.mdb"
[ -x "$folder/Llamora" ] || fail "the first installation put no program"
[ "$(calls "$folder/Llamora.mdb")" = 0 ] || fail "the installed database is not the empty one"

sqlite3 "$folder/Llamora.mdb" "INSERT INTO Clientes (Telefono, CantLlamadas, FIngreso)
    VALUES ('4567890', 1, '2026-01-02');
    INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (last_insert_rowid(),
    '2026-01-02 10:00:00', 1);"
# An older installation: every installed file older than the build's.
find "$prefix" -exec touch -h -d '2000-01-01' {} +

install
[ "$(calls "$folder/Llamora.mdb")" = 1 ] || fail "the reinstallation replaced the database"
[ "$(stat -c %Y "$folder/Llamora")" != "$(date -d 2000-01-01 +%s)" ] ||
    fail "the reinstallation did not refresh the program"

mv "$folder/Llamora.mdb" "$folder/LLAMORA.MDB"
install
[ ! -e "$folder/Llamora.mdb" ] || fail "the installation added a second database beside LLAMORA.MDB"
[ "$(calls "$folder/LLAMORA.MDB")" = 1 ] || fail "the installation touched LLAMORA.MDB"
echo "PASS"
