# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers
"""tessaroctl's JSON and exit codes in, the module result out."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import pytest

from ansible_collections.tessaro.readers.plugins.module_utils.tessaroctl import (
    parse_document,
    port_entry,
    settings_result,
)

PORT = '/dev/pts/7'


def key(name, outcome, before, wanted, after=None):
    return {'key': name, 'outcome': outcome, 'profile': wanted, 'reader_before': before, 'reader_after': after}


def doc(settings, ok=True, error=None, port=PORT):
    return [{'port': port, 'ok': ok, 'error': error, 'settings': settings}]


HORN_SENT = key('horn', 'verified', 'Close', 'Open', 'Open')
ENTER_KEPT = key('enter', 'unchanged', 'Enter', 'Enter')
AFFIX = {'text': 'A'}

# name, rc, document, stderr, check mode,
#   failed, changed, failed keys, text the message holds, diff before, diff after
CASES = [
    ('apply one key sent', 0, doc([ENTER_KEPT, HORN_SENT]), '', False,
     False, True, [], None, {'horn': 'Close'}, {'horn': 'Open'}),
    ('apply nothing to send', 0, doc([ENTER_KEPT]), '', False,
     False, False, [], None, {}, {}),
    ('apply affix with its unreadable format', 0,
     doc([key('card_prefix', 'verified', {'text': ''}, AFFIX, AFFIX),
          key('card_output_format', 'not_verifiable', None, 'hex')]), '', False,
     False, True, [], None, {'card_prefix': {'text': ''}}, {'card_prefix': AFFIX}),
    ('apply kept the old value', 4,
     doc([HORN_SENT, key('light', 'mismatch', 'turn off', 'turn on', 'turn off')], ok=False,
         error='not verified: light'), '', False,
     True, True, ['light'], 'light (mismatch)', {'horn': 'Close', 'light': 'turn off'},
     {'horn': 'Open', 'light': 'turn on'}),
    ('apply no reply to a setting', 3,
     doc([key('horn', 'no_reply', 'Close', 'Open')], ok=False, error='no reply'), '', False,
     True, False, ['horn'], 'horn (no_reply); no reply (tessaroctl: the reader did not reply in time)',
     {'horn': 'Close'}, {'horn': 'Open'}),
    ('apply keys never sent after a lost port', 2,
     doc([HORN_SENT, key('light', 'not_sent', 'turn off', 'turn on')], ok=False,
         error='lost /dev/pts/7'), '', False,
     True, True, ['light'], 'light (not_sent); lost /dev/pts/7', {'horn': 'Close', 'light': 'turn off'},
     {'horn': 'Open', 'light': 'turn on'}),
    ('apply port that cannot be opened', 2,
     doc([], ok=False, error='cannot open /dev/pts/7: No such file or directory'), '', False,
     True, False, [], 'cannot open /dev/pts/7', {}, {}),
    ('apply refused profile, keys refused', 5,
     doc([key('card_prefix', 'refused', {'text': ''}, AFFIX)], ok=False,
         error='add card_output_format to the profile'), '', False,
     True, False, ['card_prefix'], 'add card_output_format', {'card_prefix': {'text': ''}},
     {'card_prefix': AFFIX}),
    ('apply printing no document', 3, None, 'progress\ntessaroctl: no reply from /dev/pts/7\n', False,
     True, False, [], 'no reply from /dev/pts/7', {}, {}),
    ('check: the reader differs', 4,
     doc([ENTER_KEPT, key('horn', 'mismatch', 'Close', 'Open')], ok=False,
         error='differs from the profile: horn'), '', True,
     False, True, [], None, {'horn': 'Close'}, {'horn': 'Open'}),
    ('check: dry run would send', 0, doc([key('horn', 'would_send', 'Close', 'Open')]), '', True,
     False, True, [], None, {'horn': 'Close'}, {'horn': 'Open'}),
    ('check: an outcome not known yet, judged by value', 4,
     doc([key('horn', 'differs', 'Close', 'Open'), key('light', 'same', 'on', 'on')]), '', True,
     False, True, [], None, {'horn': 'Close'}, {'horn': 'Open'}),
    ('check: the reader matches', 0, doc([ENTER_KEPT]), '', True,
     False, False, [], None, {}, {}),
    ('check: no reply', 3, doc([], ok=False, error='no reply'), '', True,
     True, False, [], 'no reply', {}, {}),
]


@pytest.mark.parametrize(
    'rc, document, stderr, check_mode, failed, changed, keys, message, before, after',
    [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_settings_result(rc, document, stderr, check_mode, failed, changed, keys, message, before, after):
    got_failed, result = settings_result(rc, document, stderr, PORT, check_mode)
    assert got_failed is failed
    assert result['changed'] is changed
    assert result['failed_keys'] == keys
    assert result['exit_code'] == rc
    assert result['diff']['before'] == before
    assert result['diff']['after'] == after
    if message is None:
        assert 'msg' not in result
    else:
        assert result['msg'].startswith(PORT + ': ')
        assert message in result['msg']


def test_port_entry_picks_the_port_asked_for():
    document = doc([], port='/dev/a') + doc([ENTER_KEPT], port='/dev/b')
    assert port_entry(document, '/dev/b')['settings'] == [ENTER_KEPT]
    assert port_entry(document, '/dev/c')['port'] == '/dev/a'
    assert port_entry([], '/dev/a') is None


@pytest.mark.parametrize('stdout, expected', [
    ('', None),
    ('  \n', None),
    ('cannot open', None),
    ('[]', []),
    ('{"settings": {"horn": "Open"}}', {'settings': {'horn': 'Open'}}),
])
def test_parse_document(stdout, expected):
    assert parse_document(stdout) == expected
