#!/usr/bin/env bash
# Loads the sample database into a PostgreSQL database, given as a libpq URI: dbdemos.sql with
# the types this server names otherwise (AUTOINC, GRAPHIC, MEMO, 0/1 flags, X'' blobs), then
# the stored procedures of procedures-postgres.sql.
set -euo pipefail
uri=${1:?usage: load-postgres.sh postgresql://USER@HOST:PORT/DATABASE}
here=$(cd "$(dirname "$0")" && pwd)
psql=${PSQL:-psql}
{
  sed -E -e '/^PRAGMA/d' \
         -e 's/\bAUTOINC\b/SERIAL/g' -e 's/\bGRAPHIC\b/BYTEA/g' -e 's/\bMEMO\([0-9]+\)/TEXT/g' \
         -e "s/X'([0-9A-Fa-f]*)'/'\\\\x\\1'::bytea/g" \
         -e "/^  \\(30[0-9][0-9], /s/, ([01])\\)([,;])\$/, '\\1')\\2/" \
         "$here/dbdemos.sql"
  cat "$here/procedures-postgres.sql"
} | "$psql" -X -q -v ON_ERROR_STOP=1 "$uri"
