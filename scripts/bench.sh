#!/usr/bin/env bash
# Builds and runs the benchmarks (speed and memory), one after the other.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
echo "== Detección del módem"; build/bench/detection_bench --runs 5
echo "== Base de datos (archivo y servidor)"; build/bench/bench_database --server
echo "== Recepción de una llamada (archivo y servidor)"; build/bench/bench_reception 300 --server
echo "== Línea VoIP (SIP)"; build/bench/sip_bench
# The browser's benches share one large file; the server's copy it.
large=$(mktemp -d)
trap 'rm -rf "$large"' EXIT
echo "== Llamadas y clientes, eliminación de llamadas antiguas"; build/bench/bench_admin "$large"
echo "== Las mismas en el servidor"
build/bench/bench_admin "$large" --server-calls
build/bench/bench_admin "$large" --server-purge
echo "== Exportación de listas y estadísticas"; build/bench/bench_list_output
echo "== Compactación y reparación"; build/bench/bench_maintenance
echo "== Llamadas sin registrar"; build/bench/bench_outbox
echo "== Copia de una base de datos al servidor"; build/bench/bench_migration
