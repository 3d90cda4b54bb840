# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
name: discover
short_description: The readers that announce themselves on the LAN, as inventory hosts
description:
  - Runs C(tessaroctl discover --json) on the control node, which listens on UDP port 24583 for
    C(seconds), and adds one host per reader heard to the group C(group).
  - Each host is named after the reader (a name heard from two addresses gets the address
    appended) and gets the variables C(tessaro_device), C(tessaro_address) and C(tessaro_network)
    (the reader's network settings as discover reports them).
  - Readers are not machines Ansible can log in to. Give them C(ansible_connection=local) with
    C(compose), or address them from a play with C(delegate_to).
  - Readers announce themselves when they start and after a network change, and nothing makes them
    announce on request; a reader that does not announce within C(seconds) is not listed.
  - The inventory file's name must end in C(tessaro.yml) or C(tessaro.yaml).
version_added: 21.4.22
author:
  - Tessaro developers (@tessaro)
extends_documentation_fragment:
  - constructed
options:
  plugin:
    description: The name of this plugin.
    required: true
    choices: ['tessaro.readers.discover']
    type: str
  seconds:
    description: How long to listen for announcements.
    type: int
    default: 3
  group:
    description: The group every reader heard is added to.
    type: str
    default: tessaro_readers
  tessaroctl:
    description: The tessaroctl program, looked up on PATH unless it is a path.
    type: str
    default: tessaroctl
'''

EXAMPLES = r'''
# readers.tessaro.yml
plugin: tessaro.readers.discover
seconds: 5
compose:
  ansible_connection: "'local'"
keyed_groups:
  - key: tessaro_network.network_mode
    prefix: mode
'''

import json
import subprocess

from ansible.errors import AnsibleParserError
from ansible.module_utils.common.text.converters import to_native
from ansible.plugins.inventory import BaseInventoryPlugin, Constructable

NAME_AND_ADDRESS = ('name', 'address')


def readers_heard(records):
    """(host name, variables) for each record of discover's array; a name heard from two
    addresses is made unique with the address."""
    counts = {}
    for record in records:
        counts[record.get('name')] = counts.get(record.get('name'), 0) + 1
    hosts = []
    for record in records:
        name = record.get('name') or record.get('address')
        host = name if counts.get(record.get('name')) == 1 else '%s_%s' % (name, record.get('address'))
        network = dict((k, v) for k, v in record.items() if k not in NAME_AND_ADDRESS)
        hosts.append((host, {
            'tessaro_device': record.get('name'),
            'tessaro_address': record.get('address'),
            'tessaro_network': network,
        }))
    return hosts


class InventoryModule(BaseInventoryPlugin, Constructable):

    NAME = 'tessaro.readers.discover'

    def verify_file(self, path):
        return super(InventoryModule, self).verify_file(path) and path.endswith(('tessaro.yml', 'tessaro.yaml'))

    def discover(self):
        command = [self.get_option('tessaroctl'), 'discover', '--seconds', str(self.get_option('seconds')), '--json']
        try:
            output = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
        except OSError as e:
            raise AnsibleParserError('cannot run %s: %s' % (command[0], to_native(e)))
        if output.returncode != 0:
            raise AnsibleParserError('%s exited with %d: %s' % (
                ' '.join(command), output.returncode, to_native(output.stderr).strip()))
        try:
            records = json.loads(to_native(output.stdout))
        except ValueError as e:
            raise AnsibleParserError('tessaroctl discover printed no JSON array: %s' % to_native(e))
        if not isinstance(records, list):
            raise AnsibleParserError('tessaroctl discover printed no JSON array')
        return [r for r in records if isinstance(r, dict)]

    def parse(self, inventory, loader, path, cache=True):
        super(InventoryModule, self).parse(inventory, loader, path, cache)
        self._read_config_data(path)
        group = self.inventory.add_group(self.get_option('group'))
        strict = self.get_option('strict')
        for host, variables in readers_heard(self.discover()):
            self.inventory.add_host(host, group=group)
            for key, value in variables.items():
                self.inventory.set_variable(host, key, value)
            self._set_composite_vars(self.get_option('compose'), variables, host, strict=strict)
            self._add_host_to_composed_groups(self.get_option('groups'), variables, host, strict=strict)
            self._add_host_to_keyed_groups(self.get_option('keyed_groups'), variables, host, strict=strict)
