#!/usr/bin/env bash
# The Debian package on the real system (run as root on a disposable machine; CI runs it after
# the tests): builds it, lints it, installs it with apt-get, checks its files and permissions,
# runs the installed program under Xvfb as a normal user of the group "llamora" against the
# modem simulator, and checks that the call is logged in /var/lib/llamora/Llamora.mdb and that
# a reinstall, a removal and a purge all keep it. It can run again on the same machine.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "test-package.sh: run it as root (it installs the package)" >&2; exit 2; }

bash scripts/package.sh >/dev/null
deb=$(realpath build/llamora_*.deb)

program_dir=/opt/llamora
data_dir=/var/lib/llamora
database=$data_dir/Llamora.mdb
user=llamora-prueba
work=$(mktemp -d /tmp/llamora-paquete.XXXXXX)
number=55$(date +%s%N | tail -c 9)
failures=0

fail() { echo "FALLA: $*" >&2; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }
mode_of() { stat -c '%U:%G %a' "$1"; }
calls_of() { sqlite3 -cmd ".timeout 5000" "$database" "SELECT COUNT(*) FROM Llamadas INNER JOIN Clientes
    ON Clientes.IdCliente = Llamadas.Cliente WHERE Clientes.Telefono = '$1';"; }
stop_user_processes() { pkill -KILL -u "$user" 2>/dev/null || true; }
cleanup() {
    if id "$user" >/dev/null 2>&1; then
        stop_user_processes
        userdel --remove "$user" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== Paquete: $deb ($(stat -c %s "$deb") bytes)"
lintian --fail-on error --display-level '>=warning' "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian informa errores"
grep -v 'root privileges' "$work/lintian.log" || echo "lintian: sin errores ni advertencias"

echo "== Instalación"
# A run before this one may have left the package installed; the database stays in any case.
if dpkg-query -W -f='${Status}' llamora 2>/dev/null | grep -q "install ok installed"; then
    apt-get remove -y -qq llamora >/dev/null
fi
calls_before=""
[ -f "$database" ] && calls_before=$(sqlite3 "$database" "SELECT COUNT(*) FROM Llamadas;")
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
for file in Llamora liblineo.so libparlux.so llamora-config llamora-servidor modemsim Llamora.mdb \
    ayuda/index.html; do
    check "$program_dir/$file" test -f "$program_dir/$file"
done
check "programa ejecutable" test -x "$program_dir/Llamora"
# The program alone: the build it comes from also holds the tests, the benchmarks and the test
# workers.
check "la carpeta del programa no tiene nada más" \
    test "$(cd "$program_dir" && LC_ALL=C ls | xargs)" = \
    "Llamora Llamora.mdb ayuda liblineo.so libparlux.so llamora-config llamora-servidor modemsim"
for command in llamora:Llamora llamora-config:llamora-config llamora-servidor:llamora-servidor; do
    check "/usr/bin/${command%%:*} enlaza con $program_dir/${command#*:}" \
        test "$(readlink "/usr/bin/${command%%:*}")" = "$program_dir/${command#*:}"
    check "página de manual de ${command%%:*}" test -f "/usr/share/man/man1/${command%%:*}.1.gz"
done
check "/usr/bin no tiene nada más del paquete" \
    test "$(dpkg -L llamora | grep '^/usr/bin/.' | xargs)" = \
    "/usr/bin/llamora /usr/bin/llamora-config /usr/bin/llamora-servidor"
check "menú de aplicaciones" grep -qx "Exec=$program_dir/Llamora" /usr/share/applications/llamora.desktop
for size in 16 22 24 32 48 64 128 256; do
    check "icono ${size}x${size}" test -f "/usr/share/icons/hicolor/${size}x${size}/apps/llamora.png"
done
check "icono escalable" test -f /usr/share/icons/hicolor/scalable/apps/llamora.svg
check "metadatos AppStream" test -f /usr/share/metainfo/llamora.metainfo.xml
check "grupo llamora" getent group llamora >/dev/null
check "carpeta de datos root:llamora 2775" test "$(mode_of "$data_dir")" = "root:llamora 2775"
if [ -n "$calls_before" ]; then
    check "la base de datos existente queda como estaba" \
        test "$(sqlite3 "$database" "SELECT COUNT(*) FROM Llamadas;")" = "$calls_before"
else
    check "base de datos vacía root:llamora 664" test "$(mode_of "$database")" = "root:llamora 664"
fi

echo "== Llamora como usuario del grupo llamora, llamada de $number"
userdel --remove "$user" 2>/dev/null || true
useradd --create-home --shell /bin/bash --groups llamora,dialout "$user"
chmod 755 "$work"
cp scripts/session-functions.sh "$work/"
cat >"$work/session.sh" <<EOF
#!/usr/bin/env bash
# The user's session: a virtual display, the simulated modem, Llamora, and one call.
set -euo pipefail
cd "\$HOME"
source $work/session-functions.sh
start_virtual_display 200 xvfb.log
start_modem $program_dir "\$HOME"
configure_workstation $program_dir "\$HOME/modem" $data_dir
# The commands on the PATH, as the user types them.
llamora-config --carpeta-programa $program_dir --mostrar >llamora-config.out
llamora >llamora.log 2>&1 &
# The splash hands over to the main window after 3 seconds; the detection follows.
sleep 6
echo "call $number" >&3
for _ in \$(seq 100); do
    [ "\$(sqlite3 -cmd ".timeout 5000" $database "SELECT COUNT(*) FROM Clientes WHERE Telefono = '$number';")" = 1 ] &&
        break
    sleep 0.1
done
sleep 1
EOF
chmod 755 "$work/session.sh"
runuser -u "$user" -- env -i HOME="/home/$user" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    bash "$work/session.sh" || fail "la sesión del usuario terminó con error"
stop_user_processes
check "llamora-config desde el PATH" grep -qx "programa: $program_dir" "/home/$user/llamora-config.out"
check "la llamada quedó registrada (Llamora iniciado como llamora)" test "$(calls_of "$number")" = 1
check "la base de datos sigue en el grupo llamora" test "$(stat -c %G "$database")" = llamora
if [ "$(calls_of "$number")" != 1 ]; then
    echo "-- registro de Llamora:"; cat "/home/$user/llamora.log" 2>/dev/null || true
    echo "-- módem:"; cat "/home/$user/modem.out" 2>/dev/null || true
fi

echo "== Reinstalación"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall "$deb" >/dev/null
check "la llamada sigue tras reinstalar" test "$(calls_of "$number")" = 1

echo "== Desinstalación"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq llamora >/dev/null
check "el programa se quitó" test ! -e "$program_dir/Llamora"
check "la llamada sigue tras desinstalar" test "$(calls_of "$number")" = 1
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq llamora >"$work/purge.log" 2>&1
check "la purga avisa que conserva los datos" grep -q "se conserva la carpeta $data_dir" "$work/purge.log"
check "la llamada sigue tras purgar" test "$(calls_of "$number")" = 1

if [ "$failures" -ne 0 ]; then
    echo "test-package.sh: $failures comprobaciones fallaron" >&2
    exit 1
fi
echo "test-package.sh: todo correcto"
