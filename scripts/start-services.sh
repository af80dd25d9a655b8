#!/usr/bin/env bash
# Starts the services the tests use when they are installed and not running:
# the PostgreSQL cluster of Debian 12, then makes sure the station's PostgreSQL
# role and database exist.
set -uo pipefail
if command -v pg_ctlcluster >/dev/null 2>&1 && [ -d /etc/postgresql ]; then
  for cluster in /etc/postgresql/*/main; do
    [ -d "$cluster" ] || continue
    version=$(basename "$(dirname "$cluster")")
    if ! pg_ctlcluster "$version" main status >/dev/null 2>&1; then
      sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
      $sudo pg_ctlcluster "$version" main start || echo "PostgreSQL $version could not be started" >&2
    fi
  done
fi
"$(dirname "$0")/setup-database.sh" || echo "The station's databases could not be set up" >&2
exit 0
