# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers
"""Runs tessaroctl with --json and turns its documents and exit codes into module results.

The modules and the inventory plugin share this file, so that an outcome or an exit code means the
same thing everywhere.
"""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# tessaroctl's exit codes, as its manual states them.
EXIT_MEANINGS = {
    0: 'success',
    1: 'usage error',
    2: 'the port cannot be opened or vanished',
    3: 'the reader did not reply in time',
    4: 'a setting did not read back as sent',
    5: 'refused; nothing was sent',
    6: 'an output file cannot be written',
}

# Per-key outcomes. "not_verifiable" is a key the reader cannot report (card_output_format): it is
# sent with the affix it belongs to and never counts as a change or a failure on its own.
OUTCOMES_OK = ('unchanged', 'verified', 'not_verifiable')
OUTCOMES_CHANGED = ('verified',)
# What "diff" and "apply --dry-run" say of a key that would be sent.
OUTCOMES_WOULD_SEND = ('would_send', 'mismatch')


def exit_meaning(rc):
    return EXIT_MEANINGS.get(rc, 'exit code %d' % rc)


def tessaroctl_command(module):
    """The program to run: the module's tessaroctl option, else the one on PATH."""
    path = module.params.get('tessaroctl')
    if path:
        return path
    return module.get_bin_path('tessaroctl', required=True)


def parse_document(stdout):
    """The JSON document tessaroctl printed, or None when it printed none (older versions print
    nothing for some failures)."""
    if not stdout or not stdout.strip():
        return None
    try:
        return json.loads(stdout)
    except ValueError:
        return None


def baud_args(module):
    """--baud for tessaroctl from the module's baud option: a speed, or "auto" to find it first.

    The option is raw so that YAML's 115200 and "auto" both arrive without a conversion warning.
    """
    baud = module.params.get('baud')
    if baud is None:
        return []
    text = str(baud).strip()
    if text != 'auto' and not (text.isdigit() and int(text) > 0):
        module.fail_json(msg='baud: %r is neither a speed nor "auto"' % (baud,))
    return ['--baud', text]


def run_json(module, args):
    """Runs tessaroctl ARGS --json; returns (rc, document or None, stderr)."""
    command = [tessaroctl_command(module)] + list(args) + ['--json']
    rc, stdout, stderr = module.run_command(command)
    return rc, parse_document(stdout), stderr


def last_line(text):
    lines = [line.strip() for line in (text or '').splitlines() if line.strip()]
    return lines[-1] if lines else ''


def port_entry(document, port):
    """The entry of an apply/diff/set array for PORT (the only one when a single port was given)."""
    if isinstance(document, dict):
        return document
    if not isinstance(document, list) or not document:
        return None
    for entry in document:
        if isinstance(entry, dict) and entry.get('port') == port:
            return entry
    return document[0] if isinstance(document[0], dict) else None


def wanted(setting):
    """The value asked for: profiles say "profile", net set says "requested"."""
    if 'profile' in setting:
        return setting['profile']
    return setting.get('requested')


def same_value(a, b):
    """Values compare as tessaroctl prints them: 80 and "80" are the same port."""
    if isinstance(a, (dict, list)) or isinstance(b, (dict, list)):
        return a == b
    if a is None or b is None:
        return a is b
    return str(a) == str(b)


def would_send(setting):
    outcome = setting.get('outcome')
    if outcome in OUTCOMES_WOULD_SEND:
        return True
    if outcome in OUTCOMES_OK:
        return False
    # An outcome this module does not know yet: judge by the values.
    return not same_value(setting.get('reader_before'), wanted(setting))


def settings_diff(settings, where):
    """Ansible's diff of the keys that differ: the reader's values before, the wanted ones after."""
    before = {}
    after = {}
    for setting in settings:
        if setting.get('outcome') == 'not_verifiable':
            continue
        if setting.get('outcome') in OUTCOMES_CHANGED or would_send(setting):
            before[setting['key']] = setting.get('reader_before')
            after[setting['key']] = wanted(setting)
    return {
        'before': before,
        'after': after,
        'before_header': '%s (reader)' % where,
        'after_header': '%s (wanted)' % where,
    }


def failed_keys(settings):
    return [s['key'] for s in settings if s.get('outcome') not in OUTCOMES_OK]


def failure_message(rc, entry, stderr, where, keys):
    """One line that names the place, the keys that failed with their outcomes, and the cause."""
    parts = []
    if keys:
        parts.append('not verified: %s' % ', '.join(keys))
    error = entry.get('error') if isinstance(entry, dict) else None
    if error:
        parts.append(str(error))
    elif not parts:
        parts.append(last_line(stderr) or exit_meaning(rc))
    return '%s: %s (tessaroctl: %s)' % (where, '; '.join(parts), exit_meaning(rc))


def settings_result(rc, document, stderr, where, check_mode, entry=None):
    """The result of a run that sets keys (apply, net set) or of its check (diff, net get).

    Returns (failed, result): result holds changed, outcomes, diff, failed_keys, exit_code and, when
    failed, msg. In check mode a key that would be sent is a change and exit code 4 (the reader
    differs) is not a failure; otherwise a change is a key sent and verified, and every key not
    verified fails the task.
    """
    if entry is None:
        entry = port_entry(document, where)
    settings = (entry or {}).get('settings') or []
    if check_mode:
        changed = any(would_send(s) for s in settings)
        keys = []
        failed = entry is None or rc not in (0, 4)
    else:
        changed = any(s.get('outcome') in OUTCOMES_CHANGED for s in settings)
        keys = failed_keys(settings)
        failed = entry is None or rc != 0 or bool(keys) or entry.get('ok') is False
    result = {
        'changed': changed,
        'answers_at': (entry or {}).get('answers_at'),
        'outcomes': settings,
        'failed_keys': keys,
        'diff': settings_diff(settings, where),
        'exit_code': rc,
    }
    if failed:
        named = ['%s (%s)' % (s['key'], s.get('outcome')) for s in settings if s['key'] in keys]
        result['msg'] = failure_message(rc, entry, stderr, where, named)
    return failed, result
