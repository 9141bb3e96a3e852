# Sourced by demo.sh and by the user's session in test-package.sh: a virtual display, the
# simulated modem on a pseudo-terminal, and a workstation configured to use it.

# Starts Xvfb on a display numbered from $1 (plus a random offset, so that runs do not collide),
# logging to $2, and exports DISPLAY once the display answers. Sets virtual_display_pid.
start_virtual_display() {
    local display=:$(($1 + RANDOM % 100))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$2" 2>&1 &
    virtual_display_pid=$!
    export DISPLAY=$display
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# Starts the simulator of program folder $1 with its link $2/modem; "echo call NUMBER >&3" rings.
# It answers the second caller-ID command it is tried with. Sets modem_pid.
start_modem() {
    mkfifo "$2/modem.in"
    "$1/modemsim" --accept AT+VCID=1 --link "$2/modem" <"$2/modem.in" >"$2/modem.out" 2>&1 &
    modem_pid=$!
    exec 3>"$2/modem.in"
    for _ in $(seq 50); do [ -e "$2/modem" ] && break; sleep 0.1; done
}

# Workstation 1 of program folder $1, identification on, port 4 on the simulator's link $2, the
# database in folder $3.
configure_workstation() {
    "$1/llamora-config" --carpeta-programa "$1" --puerto 4 --dispositivo "4=$2" --puesto 1 \
        --activar 1 --base-de-datos "$3"
}
