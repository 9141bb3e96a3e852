#!/usr/bin/env bash
# Demonstration: installs and builds Llamora, lays out a program folder with the empty database
# in ./demo, starts the modem simulator on a pseudo-terminal, starts Llamora with caller ID
# switched on, and rings three calls: a new number, a withheld number and a known client with an
# alert. Without a display it runs under Xvfb. It then prints what was logged and saves a
# screenshot of the main window.
# With --sip the workstation takes its caller ID from a SIP line instead: SIPp plays the office's
# PBX on the loopback address, Llamora registers with it as one more device of a user, and SIPp
# rings one call through it.
set -euo pipefail
sip=0
[ "${1:-}" = --sip ] && sip=1
cd "$(dirname "$0")/.."
root=$PWD
source scripts/session-functions.sh

bash scripts/install-deps.sh
bash scripts/build.sh

demo=$root/demo
pids=()
cleanup() {
    exec 3>&- 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# The program folder: the program, its libraries, the help, the tools and the empty database.
rm -rf "$demo"
mkdir -p "$demo/Llamora" "$demo/config" "$demo/data"
cp -a build/bin/. "$demo/Llamora/"
program=$(realpath "$demo/Llamora")
database=$program/Llamora.mdb
# The demonstration keeps its settings and its outbox inside ./demo, away from the user's own.
export XDG_CONFIG_HOME=$demo/config XDG_DATA_HOME=$demo/data

# A known client with four earlier calls and an alert.
sqlite3 "$database" "INSERT INTO Clientes (Nombre, Domicilio, Telefono, Observaciones, Alerta,
    CantLlamadas, FIngreso) VALUES ('Juan Díaz', 'Av. Corrientes 1234', '4567890',
    'Prefiere que lo llamen por la tarde. Tiene un reclamo pendiente.', 1, 4,
    date('now', '-30 days'));"

if [ $sip = 1 ]; then
    # The PBX: a registrar for the user "recepcion" on 127.0.0.1:25060; the workstation listens on
    # 25062 for the calls the PBX sends it.
    sipp -sf tests/sipp/registrar.xml -i 127.0.0.1 -p 25060 -key user recepcion \
        -key password clave-demo -key expires 600 -nostdin >/dev/null 2>&1 &
    pids+=($!)
    echo "Centralita SIP simulada (SIPp) en 127.0.0.1:25060"
    echo clave-demo | "$program/llamora-config" --carpeta-programa "$program" --puesto 1 \
        --activar 1 --base-de-datos "$program" --linea sip --sip-servidor 127.0.0.1 \
        --sip-puerto 25060 --sip-usuario recepcion --sip-puerto-local 25062 --sip-clave-de -
else
    start_modem "$program" "$demo"
    pids+=("$modem_pid")
    echo "Módem simulado en $(head -n1 "$demo/modem.out") (enlace $demo/modem)"
    configure_workstation "$program" "$demo/modem" "$program"
fi

if [ -z "${DISPLAY:-}" ]; then
    start_virtual_display 90 /dev/null
    pids+=("$virtual_display_pid")
    echo "Sin pantalla: Llamora se ejecuta en la pantalla virtual $DISPLAY"
fi

# The program is written for Spanish-speaking regions: dates read day/month/year.
LANG=${LLAMORA_DEMO_LANG:-es_AR.UTF-8} "$program/Llamora" >"$demo/llamora.log" 2>&1 &
llamora=$!
pids+=($llamora)
# The splash hands over to the main window after 3 seconds.
sleep 5

ring() {
    echo "Llamada de $1"
    echo "call $1" >&3
    sleep 3
}
if [ $sip = 1 ]; then
    # The PBX rings the user: the workstation shows the caller, then another telephone answers.
    echo "Llamada SIP de 4567890"
    sed -e 's|@FROM@|sip:4567890@127.0.0.1|' \
        -e 's|@HEADERS@|P-Asserted-Identity: <sip:4567890@127.0.0.1>|' \
        tests/sipp/ringing.xml >"$demo/llamada.xml"
    (cd "$demo" && sipp -sf llamada.xml 127.0.0.1:25062 -i 127.0.0.1 -m 1 -nostdin \
        -timeout 10s -timeout_error >/dev/null) || echo "La llamada SIP no terminó como se esperaba"
    sleep 3
else
    ring 5551234
    ring P
    ring 4567890
fi

echo
echo "Llamadas registradas en $database:"
sqlite3 -header -column "$database" "SELECT Llamadas.IdLlamada AS Llamada, Llamadas.Fecha,
    Llamadas.Puesto, Clientes.Telefono AS Teléfono, ifnull(Clientes.Nombre, '') AS Nombre,
    Clientes.CantLlamadas AS Llamadas, CASE Clientes.Alerta WHEN 1 THEN 'Sí' ELSE 'No' END AS Alerta
    FROM Llamadas INNER JOIN Clientes ON Clientes.IdCliente = Llamadas.Cliente
    ORDER BY Llamadas.Fecha;"

screenshot=$demo/llamora.png
window=$(xwininfo -root -tree | awk '/"Llamora"/ && / [0-9]+x[0-9]+\+/ {print $1; exit}')
if [ -n "$window" ] && import -window "$window" "$screenshot" 2>/dev/null; then
    echo
    echo "Captura de la ventana principal: $screenshot"
else
    import -window root "$screenshot"
    echo
    echo "Captura de la pantalla: $screenshot"
fi

# On a real display the program stays up until the user is done looking.
if [ -z "${virtual_display_pid:-}" ] && [ -t 0 ]; then
    read -r -p "Pulse Intro para cerrar Llamora y el módem simulado... " _
fi
