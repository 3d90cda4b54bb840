# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers
"""reader_network against net get's and net set's JSON as the net command documents them."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import pytest

from ansible_collections.tessaro.readers.plugins.modules import reader_network

CTL = '/usr/bin/tessaroctl'
HEARD = [
    {'device': 'Lobby', 'address': '127.0.0.2',
     'settings': {'network_mode': 'Fixed IP', 'ip': '127.0.0.2', 'mask': '255.0.0.0', 'gateway': '0.0.0.0',
                  'dns1': '8.8.8.8', 'dns2': '8.8.4.4', 'server_address': 'server.example.com',
                  'server_port': 80, 'http_server': 'PHP'}},
    {'device': 'Garage', 'address': '127.0.0.4', 'settings': {'ip': '127.0.0.4', 'server_port': 80}},
]


def net_set(ip_outcome, port_outcome, address, ok=True, error=None):
    return [{'device': 'Lobby', 'address': address, 'ok': ok, 'error': error, 'settings': [
        {'key': 'ip', 'requested': '127.0.0.3', 'reader_before': '127.0.0.2',
         'reader_after': '127.0.0.3' if ip_outcome == 'verified' else '127.0.0.2', 'outcome': ip_outcome},
        {'key': 'server_port', 'requested': 80, 'reader_before': 80, 'reader_after': 80, 'outcome': port_outcome},
    ]}]


WANTED = {'ip': '127.0.0.3', 'server_port': 80}
SET_COMMAND = [CTL, 'net', 'set', '--device', 'Lobby', '--seconds', '3', 'ip=127.0.0.3', 'server_port=80', '--json']

# name, module arguments, check mode, replies, expected command,
#   failed, changed, failed keys, outcome of ip, text of the message, address returned
CASES = [
    ('check: ip differs, port the same', {'device': 'Lobby'}, True, [(0, HEARD, '')],
     [CTL, 'net', 'get', '--device', 'Lobby', '--seconds', '3', '--json'],
     False, True, [], 'would_send', None, '127.0.0.2'),
    ('check by address', {'address': '127.0.0.2', 'seconds': 1}, True, [(0, HEARD, '')],
     [CTL, 'net', 'get', '--address', '127.0.0.2', '--seconds', '1', '--json'],
     False, True, [], 'would_send', None, '127.0.0.2'),
    ('check: not heard', {'device': 'Hall'}, True, [(3, [], 'not heard')],
     [CTL, 'net', 'get', '--device', 'Hall', '--seconds', '3', '--json'],
     True, False, [], None, 'Hall: not heard within 3 s', None),
    ('moved and heard there', {'device': 'Lobby'}, False,
     [(0, net_set('verified', 'unchanged', '127.0.0.3'), '')], SET_COMMAND,
     False, True, [], 'verified', None, '127.0.0.3'),
    ('confirmed, kept its address', {'device': 'Lobby'}, False,
     [(4, net_set('mismatch', 'unchanged', '127.0.0.2', ok=False, error='announces 127.0.0.2'), '')],
     SET_COMMAND, True, False, ['ip'], 'mismatch', 'ip (mismatch); announces 127.0.0.2', '127.0.0.2'),
    ('confirmed, never heard again', {'device': 'Lobby'}, False,
     [(3, net_set('no_reply', 'unchanged', '127.0.0.2', ok=False,
                  error='confirmed but not heard again; last at 127.0.0.2, meant 127.0.0.3'), '')],
     SET_COMMAND, True, False, ['ip'], 'no_reply', 'not heard again', '127.0.0.2'),
    ('refused before sending', {'device': 'Lobby'}, False,
     [(5, [{'device': 'Lobby', 'address': '127.0.0.2', 'ok': False, 'error': 'ip 127.0.0.3 is announced by Garage',
            'settings': []}], '')],
     SET_COMMAND, True, False, [], None, 'announced by Garage', '127.0.0.2'),
]


@pytest.mark.parametrize('args, check_mode, replies, command, failed, changed, keys, ip, message, address',
                         [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_reader_network(run_module, args, check_mode, replies, command, failed, changed, keys, ip, message, address):
    outcome, fake = run_module(reader_network.main, dict(args, settings=WANTED), replies, check_mode=check_mode,
                               diff=True)
    assert fake.commands == [command]
    assert outcome.failed is failed
    assert outcome.result['changed'] is changed
    assert outcome.result['failed_keys'] == keys
    assert outcome.result.get('address') == address
    outcomes = dict((s['key'], s['outcome']) for s in outcome.result['outcomes'])
    if ip:
        assert outcomes == {'ip': ip, 'server_port': 'unchanged'}
        assert outcome.result['diff']['before'] == {'ip': '127.0.0.2'}
        assert outcome.result['diff']['after'] == {'ip': '127.0.0.3'}
    if message:
        assert message in outcome.result['msg']


def test_reader_network_refuses_an_unknown_key(run_module):
    outcome, fake = run_module(reader_network.main, {'device': 'Lobby', 'settings': {'ipaddr': '127.0.0.3'}}, [])
    assert outcome.failed and 'ipaddr' in outcome.result['msg']
    assert fake.commands == []


def test_reader_network_names_a_reader_not_heard(run_module):
    args = {'address': '127.0.0.9', 'name': 'Hall', 'settings': WANTED}
    outcome, fake = run_module(reader_network.main, args,
                               [(0, net_set('verified', 'verified', '127.0.0.3'), '')])
    assert fake.commands[0][3:8] == ['--address', '127.0.0.9', '--seconds', '3', '--name']
    assert not outcome.failed and outcome.result['changed']
