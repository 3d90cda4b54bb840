#!/usr/bin/env bash
# ansible-test on a copy of the collection (ansible-test wants it under
# ansible_collections/NAMESPACE/NAME and writes its output inside it), offline.
#   ansible_test.sh units|sanity TESSAROCTL COLLECTIONS_DIR
set -euo pipefail
mode=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/ansible-env.sh" "$2" "$work" "$work"
mkdir -p "$work/ansible_collections/tessaro"
cp -r "$3/ansible_collections/tessaro/readers" "$work/ansible_collections/tessaro/"
rm -rf "$work/ansible_collections/tessaro/readers/tests/output"
cd "$work/ansible_collections/tessaro/readers"

python=$(/usr/bin/python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')
case $mode in
units)
    ansible-test units --local --python "$python"
    ;;
sanity)
    # These build a virtual environment from PyPI, which a machine without network cannot
    # reach; the README of the collection says so. ansible-doc is run directly instead.
    needs_pypi=(ansible-doc import pep8 pylint runtime-metadata validate-modules yamllint)
    ansible-test sanity --local --python "$python" "${needs_pypi[@]/#/--skip-test=}"
    for module in reader_profile reader_info reader_network; do
        ansible-doc -t module "tessaro.readers.$module" >/dev/null
    done
    ansible-doc -t inventory tessaro.readers.discover >/dev/null
    echo "ansible-doc: every plugin's documentation parses"
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 1
    ;;
esac
