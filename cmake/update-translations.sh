#!/usr/bin/env bash
# Brings translations/*.ts up to date with the sources: new texts come in unfinished, texts gone
# from the sources are dropped. ./test.sh runs it on a copy to find either.
#   update-translations.sh [ts-file...]   default: every translations/*.ts
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lupdate="$(command -v lupdate || true)"
[ -n "$lupdate" ] || lupdate=/usr/lib/qt6/bin/lupdate
if [ $# -eq 0 ]; then
    set -- "$root"/translations/*.ts
fi
cd "$root"
# tessaro's sources only: reader-sim and tessaroctl speak English to scripts and developers.
"$lupdate" -no-obsolete -locations none -I . -extensions cpp,h app ui serial net core -ts "$@"
