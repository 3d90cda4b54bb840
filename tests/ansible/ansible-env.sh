# Sourced by the Ansible tests: ansible runs with Debian's Python, finds the collection in the
# source tree and tessaroctl in the build tree, and keeps its files in the test's own directory.
#   . ansible-env.sh TESSAROCTL COLLECTIONS_DIR WORK_DIR
export PATH="$(dirname "$1"):/usr/sbin:/usr/bin:/sbin:/bin"
export ANSIBLE_COLLECTIONS_PATH=$2
export ANSIBLE_HOME=$3/ansible-home
export ANSIBLE_LOCAL_TEMP=$3/ansible-tmp
export ANSIBLE_REMOTE_TEMP=$3/ansible-tmp
export ANSIBLE_NOCOLOR=1
export ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_HOST_KEY_CHECKING=0
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3
export ANSIBLE_LOCALHOST_WARNING=0
export ANSIBLE_INVENTORY_UNPARSED_WARNING=0
export ANSIBLE_DEPRECATION_WARNINGS=0
