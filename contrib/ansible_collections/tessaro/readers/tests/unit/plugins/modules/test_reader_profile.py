# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import pytest

from ansible_collections.tessaro.readers.plugins.modules import reader_info, reader_profile

PORT = '/dev/pts/7'
CTL = '/usr/bin/tessaroctl'


def entry(settings, ok=True, error=None):
    return [{'port': PORT, 'ok': ok, 'error': error, 'settings': settings}]


HORN = {'key': 'horn', 'profile': 'Open', 'reader_before': 'Close'}
HORN_VERIFIED = dict(HORN, outcome='verified', reader_after='Open')
HORN_DIFFERS = dict(HORN, outcome='mismatch', reader_after=None)
HORN_STALE = dict(HORN, outcome='mismatch', reader_after='Close')

# name, module arguments, check mode, tessaroctl's reply, its expected command line,
#   failed, changed, text of the message
PROFILE_CASES = [
    ('inline settings applied', {'settings': {'horn': 'Open'}}, False,
     (0, entry([HORN_VERIFIED]), ''), [CTL, 'apply', '--port', PORT, 'PROFILE', '--json'],
     False, True, None),
    ('file at a speed, checked', {'src': '/etc/door.json', 'baud': 115200}, True,
     (4, entry([HORN_DIFFERS], ok=False, error='differs from the profile: horn'), ''),
     [CTL, 'diff', '--port', PORT, '--baud', '115200', '/etc/door.json', '--json'],
     False, True, None),
    ('setting not kept', {'settings': {'horn': 'Open'}}, False,
     (4, entry([HORN_STALE], ok=False, error='not verified: horn'), ''),
     [CTL, 'apply', '--port', PORT, 'PROFILE', '--json'],
     True, False, 'horn (mismatch)'),
]


@pytest.mark.parametrize('args, check_mode, reply, command, failed, changed, message',
                         [c[1:] for c in PROFILE_CASES], ids=[c[0] for c in PROFILE_CASES])
def test_reader_profile(run_module, tmp_path, args, check_mode, reply, command, failed, changed, message):
    if 'src' in args:
        # The file is only handed on; the fake reads it as tessaroctl would.
        src = tmp_path / 'door.json'
        src.write_text('{"tessaro_profile": 1, "settings": {"horn": "Open"}}')
        args = dict(args, src=str(src))
        command = [str(src) if c == '/etc/door.json' else c for c in command]
    outcome, fake = run_module(reader_profile.main, dict(args, port=PORT), [reply], check_mode=check_mode,
                               diff=True)
    sent = fake.commands[0]
    if 'settings' in args:
        command = [sent[-2] if c == 'PROFILE' else c for c in command]
        assert fake.profiles == [{'tessaro_profile': 1, 'settings': args['settings']}]
    assert sent == command
    assert outcome.failed is failed
    assert outcome.result['changed'] is changed
    assert outcome.result['outcomes'] == reply[1][0]['settings']
    assert outcome.result['diff']['before'] == {'horn': 'Close'}
    assert outcome.result['diff']['after'] == {'horn': 'Open'}
    if message:
        assert message in outcome.result['msg']


def test_reader_profile_wants_one_source(run_module):
    outcome, fake = run_module(reader_profile.main, {'port': PORT, 'src': '/a', 'settings': {'horn': 'Open'}}, [])
    assert outcome.failed and 'mutually exclusive' in outcome.result['msg']
    assert fake.commands == []


def test_reader_profile_without_diff_mode_returns_no_diff(run_module):
    outcome, fake = run_module(reader_profile.main, {'port': PORT, 'settings': {'horn': 'Open'}},
                               [(0, entry([HORN_VERIFIED]), '')])
    assert 'diff' not in outcome.result


GOT = {'tessaro_profile': 1, 'settings': {'horn': 'Close', 'baud_rate': 9600, 'card_prefix': {'text': ''}}}

# name, check mode, tessaroctl's reply, failed, settings returned, text of the message
GOT_DOC = {'port': PORT, 'ok': True, 'error': None, 'profile': GOT}

INFO_CASES = [
    ('read', False, (0, GOT_DOC, ''), False, GOT['settings'], None),
    ('read in check mode', True, (0, GOT_DOC, ''), False, GOT['settings'], None),
    ('read, the profile alone as older versions print it', False, (0, GOT, ''), False, GOT['settings'], None),
    ('no reply, no document', False, (3, '', 'tessaroctl: no reply from /dev/pts/7\n'), True, None,
     'no reply from /dev/pts/7'),
    ('no reply, a document', False, (3, {'port': PORT, 'ok': False, 'error': 'no reply', 'profile': None}, ''),
     True, None, 'no reply (tessaroctl: the reader did not reply in time)'),
]


@pytest.mark.parametrize('check_mode, reply, failed, settings, message',
                         [c[1:] for c in INFO_CASES], ids=[c[0] for c in INFO_CASES])
def test_reader_info(run_module, check_mode, reply, failed, settings, message):
    outcome, fake = run_module(reader_info.main, {'port': PORT, 'baud': 19200, 'card_output_format': 'hex'}, [reply],
                               check_mode=check_mode)
    assert fake.commands == [[CTL, 'get', '--port', PORT, '--baud', '19200', '--card-output-format', 'hex', '--json']]
    assert outcome.failed is failed
    assert outcome.result.get('changed', False) is False
    assert outcome.result.get('settings') == settings
    if message:
        assert message in outcome.result['msg']


AT_19200 = {'baud_rate': 19200, 'data_bits': 8, 'stop_bits': 1, 'parity': 'NONE'}

# name, baud option, --baud given to tessaroctl (None: no --baud; 'refused': nothing run)
BAUD_CASES = [
    ('not given', None, None),
    ('a number', 115200, '115200'),
    ('a number as text', '19200', '19200'),
    ('auto', 'auto', 'auto'),
    ('a word', 'fast', 'refused'),
    ('zero', 0, 'refused'),
    ('negative', -9600, 'refused'),
]


@pytest.mark.parametrize('baud, given', [c[1:] for c in BAUD_CASES], ids=[c[0] for c in BAUD_CASES])
@pytest.mark.parametrize('module', ['profile', 'info'])
def test_baud_option(run_module, module, baud, given):
    args = {'port': PORT}
    if baud is not None:
        args['baud'] = baud
    if module == 'profile':
        main, reply = reader_profile.main, dict(entry([HORN_VERIFIED])[0], answers_at=AT_19200)
        args['settings'] = {'horn': 'Open'}
    else:
        main, reply = reader_info.main, dict(GOT_DOC, answers_at=AT_19200)
    outcome, fake = run_module(main, args, [(0, [reply] if module == 'profile' else reply, '')])
    if given == 'refused':
        assert outcome.failed and 'neither a speed nor "auto"' in outcome.result['msg']
        assert fake.commands == []
        return
    command = fake.commands[0]
    assert ('--baud' in command) is (given is not None)
    if given is not None:
        assert command[command.index('--baud') + 1] == given
    assert not outcome.failed
    assert outcome.result['answers_at'] == AT_19200
