#!/usr/bin/env bash
# Builds and runs the benchmarks (speed and memory), one after the other.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
echo "== Detección del módem"; build/bench/detection_bench --runs 5
echo "== Base de datos"; build/bench/bench_database
echo "== Recepción de una llamada"; build/bench/bench_reception
echo "== Línea VoIP (SIP)"; build/bench/sip_bench
echo "== Llamadas y clientes, eliminación de llamadas antiguas"; build/bench/bench_admin
echo "== Exportación de listas y estadísticas"; build/bench/bench_list_output
echo "== Compactación y reparación"; build/bench/bench_maintenance
echo "== Llamadas sin registrar"; build/bench/bench_outbox
echo "== Copia de una base de datos al servidor"; build/bench/bench_migration
