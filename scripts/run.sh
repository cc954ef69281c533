#!/usr/bin/env bash
# Installs the packages, builds Vantrel in Release, puts vantrel and a ready
# db.mdb in build/release/bin and starts it from web/, which holds ip.html.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh
cmake --preset release >/dev/null
cmake --build --preset release

bin_dir=build/release/bin
if [[ ! -e "$bin_dir/db.mdb" ]]; then
  sqlite3 "$bin_dir/db.mdb" < store/schema.sql
  echo "created $bin_dir/db.mdb"
fi

cd web
exec "../$bin_dir/vantrel"
