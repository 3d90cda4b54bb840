# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: reader_network
short_description: Set a reader's network settings over the LAN and prove them
description:
  - Sets the network settings of the reader picked by C(device) or C(address) with
    C(tessaroctl net set --json), which listens for the readers' announcements first, keeps every
    field not named, refuses unsafe addresses before sending, and proves the change by hearing
    the reader again.
  - C(changed) is true exactly when a setting was sent and the reader was heard with it. Any key
    not verified fails the task; the message names the keys.
  - In check mode the reader is only listened to (C(tessaroctl net get --json)) and the keys that
    differ are reported; nothing is sent. In diff mode the result shows those keys before and
    after.
version_added: 21.4.22
author:
  - Tessaro developers (@tessaro)
options:
  device:
    description:
      - The reader's name as it announces itself. One of C(device) and C(address) is required.
    type: str
  address:
    description:
      - The address at which the reader is heard.
    type: str
  name:
    description:
      - With C(address), the name of a reader that has not been heard; every network key must then
        be given.
    type: str
  seconds:
    description:
      - How long tessaroctl listens for announcements before sending, and at most for the reader
        to be heard again after the change.
    type: int
    default: 3
  settings:
    description:
      - The network settings to set; keys not given keep the reader's values.
    type: dict
    required: true
    suboptions:
      network_mode:
        description: C(Fixed IP) or C(Automatic acquisition), as the dialog shows them.
        type: str
      ip:
        description: The reader's address.
        type: str
      mask:
        description: Subnet mask, contiguous.
        type: str
      gateway:
        description: Gateway within the subnet; C(0.0.0.0) for none.
        type: str
      dns1:
        description: First name server.
        type: str
      dns2:
        description: Second name server.
        type: str
      server_address:
        description: The server the reader reports to, at most 47 bytes.
        type: str
      server_port:
        description: The server's port, 1 to 65535.
        type: int
      http_server:
        description: The server kind, an item of the dialog's HTTP server list (C(PHP), C(JSP), ...).
        type: str
  tessaroctl:
    description:
      - Path of the tessaroctl program; the one on the managed host's PATH when not given.
    type: path
notes:
  - Run it on a host on the readers' LAN segment, usually with C(delegate_to) that host.
requirements:
  - tessaroctl (the tessaro package) with the C(net) command
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
'''

EXAMPLES = r'''
- name: Give the lobby reader its fixed address
  tessaro.readers.reader_network:
    device: Lobby
    settings:
      network_mode: Fixed IP
      ip: 192.168.10.21
      mask: 255.255.255.0
      gateway: 192.168.10.1

- name: Point every reader heard at the new server
  tessaro.readers.reader_network:
    address: "{{ tessaro_address }}"
    settings:
      server_address: access.example.com
      server_port: 8080
  delegate_to: localhost
'''

RETURN = r'''
device:
  description: The reader's name.
  returned: when the reader was heard
  type: str
  sample: Lobby
address:
  description: The address at which the reader is heard at the end.
  returned: when the reader was heard
  type: str
  sample: 192.168.10.21
outcomes:
  description:
    - One entry per key, C(key), C(requested), C(reader_before), C(reader_after) and C(outcome)
      (C(unchanged), C(verified), C(mismatch), C(no_reply); in check mode C(would_send) for a key
      that would be sent).
  returned: always
  type: list
  elements: dict
failed_keys:
  description: The keys that were not verified.
  returned: always
  type: list
  elements: str
exit_code:
  description: tessaroctl's exit code.
  returned: always
  type: int
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tessaro.readers.plugins.module_utils.tessaroctl import (
    run_json,
    same_value,
    settings_result,
)


def pick_reader(document, device, address):
    """The entry for the reader asked for, from net get's or net set's array."""
    if not isinstance(document, list):
        return None
    for entry in document:
        if not isinstance(entry, dict):
            continue
        if (device and entry.get('device') == device) or (address and entry.get('address') == address):
            return entry
    return None


def planned_entry(heard, wanted):
    """net get's record of the reader, as net set's entry would show it before sending."""
    current = heard.get('settings') or {}
    settings = []
    for key, value in wanted.items():
        before = current.get(key)
        settings.append({
            'key': key,
            'requested': value,
            'reader_before': before,
            'reader_after': None,
            'outcome': 'unchanged' if same_value(before, value) else 'would_send',
        })
    return {'device': heard.get('device'), 'address': heard.get('address'), 'ok': True,
            'error': None, 'settings': settings}


def main():
    module = AnsibleModule(
        argument_spec=dict(
            device=dict(type='str'),
            address=dict(type='str'),
            name=dict(type='str'),
            seconds=dict(type='int', default=3),
            settings=dict(type='dict', required=True, options=dict(
                network_mode=dict(type='str'),
                ip=dict(type='str'),
                mask=dict(type='str'),
                gateway=dict(type='str'),
                dns1=dict(type='str'),
                dns2=dict(type='str'),
                server_address=dict(type='str'),
                server_port=dict(type='int'),
                http_server=dict(type='str'),
            )),
            tessaroctl=dict(type='path'),
        ),
        required_one_of=[('device', 'address')],
        required_by={'name': 'address'},
        supports_check_mode=True,
    )
    p = module.params
    wanted = dict((k, v) for k, v in p['settings'].items() if v is not None)
    if not wanted:
        module.fail_json(msg='settings names no key')
    pick = []
    if p['device']:
        pick += ['--device', p['device']]
    if p['address']:
        pick += ['--address', p['address']]
    where = p['device'] or p['address']
    listen = ['--seconds', str(p['seconds'])]

    if module.check_mode:
        rc, document, stderr = run_json(module, ['net', 'get'] + pick + listen)
        heard = pick_reader(document, p['device'], p['address'])
        if heard is None:
            if p['name'] and p['address']:
                # A reader not heard can still be set when every key is given: nothing to compare.
                heard = {'device': p['name'], 'address': p['address'], 'settings': {}}
            else:
                module.fail_json(msg='%s: not heard within %d s; readers announce themselves only '
                                 'when they start or after a network change' % (where, p['seconds']),
                                 changed=False, exit_code=rc, outcomes=[], failed_keys=[])
        entry = planned_entry(heard, wanted)
        failed, result = settings_result(0, None, stderr, where, True, entry=entry)
        result["exit_code"] = rc
    else:
        args = ['net', 'set'] + pick + listen
        if p['name']:
            args += ['--name', p['name']]
        args += ['%s=%s' % (k, v) for k, v in sorted(wanted.items())]
        rc, document, stderr = run_json(module, args)
        entry = pick_reader(document, p['device'], p['address'])
        if entry is None and isinstance(document, list) and len(document) == 1:
            entry = document[0]
        failed, result = settings_result(rc, None, stderr, where, False, entry=entry)
    if entry:
        result['device'] = entry.get('device')
        result['address'] = entry.get('address')
    if not module._diff:
        del result['diff']
    if failed:
        module.fail_json(**result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
