#!/usr/bin/env bash
# Writes the station's two ODBC data sources and creates their databases; safe to
# run again.
#   "Data"    the embedded database: an SQLite file, created here (the data source
#             itself never creates it: NoCreat=1), WAL journal, 5 s busy time-out.
#   "Data_pg" PostgreSQL on this machine, database "bxgrabber", role "postgres" with
#             the station's default password; created when the server runs (the
#             service start script calls this again after starting it). The
#             program sets a 5 s login time-out itself.
# As root the data sources go to /etc/odbc.ini and the file to /var/lib/bxgrabber;
# otherwise to ~/.odbc.ini and ${XDG_DATA_HOME:-~/.local/share}/Tarvo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
schema=$root/records/schema
if [ "$(id -u)" -eq 0 ]; then
  odbc_ini=/etc/odbc.ini
  data_dir=/var/lib/bxgrabber
else
  odbc_ini=$HOME/.odbc.ini
  data_dir=${XDG_DATA_HOME:-$HOME/.local/share}/Tarvo
fi
sqlite_file=$data_dir/Data.sqlite
pg_database=bxgrabber
pg_password=qarmivodel

# Replaces the sections [Data] and [Data_pg] of the ini file, keeping every other one.
write_data_sources() {
  local kept
  kept=$(mktemp)
  if [ -f "$odbc_ini" ]; then
    awk '/^\[/ { skip = ($0 == "[Data]" || $0 == "[Data_pg]") } !skip' "$odbc_ini" > "$kept"
  fi
  {
    cat "$kept"
    cat <<INI
[Data]
Description=BXGrabber embedded database
Driver=SQLite3
Database=$sqlite_file
NoCreat=1
Timeout=5000
JournalMode=WAL

[Data_pg]
Description=BXGrabber PostgreSQL database
Driver=PostgreSQL Unicode
Servername=localhost
Port=5432
Database=$pg_database

INI
  } > "$odbc_ini.new"
  rm -f "$kept"
  mv "$odbc_ini.new" "$odbc_ini"
  echo "ODBC data sources \"Data\" and \"Data_pg\" written to $odbc_ini"
}

create_sqlite_database() {
  mkdir -p "$data_dir"
  sqlite3 "$sqlite_file" "PRAGMA journal_mode=WAL;" < /dev/null > /dev/null
  sqlite3 -bail "$sqlite_file" < "$schema/sqlite.sql"
  echo "SQLite database $sqlite_file ready"
}

as_postgres() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"
  else sudo -u postgres "$@"; fi
}

create_postgresql_database() {
  if ! command -v pg_isready > /dev/null || ! pg_isready -q -h localhost; then
    echo "PostgreSQL is not running: its role and database are created when it starts"
    return 0
  fi
  local psql=(psql -X -q -v ON_ERROR_STOP=1)
  as_postgres "${psql[@]}" -c "ALTER ROLE postgres PASSWORD '$pg_password'"
  if [ -z "$(as_postgres "${psql[@]}" -Atc "SELECT 1 FROM pg_database WHERE datname = '$pg_database'")" ]; then
    as_postgres createdb -O postgres "$pg_database"
  fi
  { echo "SET client_min_messages = warning;"; cat "$schema/postgresql.sql"; } |
    as_postgres "${psql[@]}" -d "$pg_database"
  echo "PostgreSQL database $pg_database ready"
}

write_data_sources
create_sqlite_database
create_postgresql_database || echo "The PostgreSQL role and database could not be set up" >&2
