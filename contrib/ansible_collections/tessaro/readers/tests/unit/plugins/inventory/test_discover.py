# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.tessaro.readers.plugins.inventory.discover import readers_heard


def test_one_host_per_reader_heard_a_repeated_name_made_unique():
    records = [
        {'name': 'Lobby', 'address': '127.0.0.2', 'ip': '127.0.0.2', 'server_port': 80, 'http_server': None},
        {'name': 'Door', 'address': '127.0.0.3', 'ip': '127.0.0.3'},
        {'name': 'Door', 'address': '127.0.0.4', 'ip': '127.0.0.4'},
    ]
    hosts = readers_heard(records)
    assert [h for h, _ in hosts] == ['Lobby', 'Door_127.0.0.3', 'Door_127.0.0.4']
    assert hosts[0][1] == {
        'tessaro_device': 'Lobby',
        'tessaro_address': '127.0.0.2',
        'tessaro_network': {'ip': '127.0.0.2', 'server_port': 80, 'http_server': None},
    }
