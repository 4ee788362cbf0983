#!/bin/sh
# Runs the bundled example: a sales report over examples/sales.txt.
build=${1:-build/release}
exec "$build/vorn" -f examples/report.awk examples/sales.txt
