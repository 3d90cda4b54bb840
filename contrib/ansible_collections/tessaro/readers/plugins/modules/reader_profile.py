# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: reader_profile
short_description: Bring a reader on a serial port to a Tessaro profile
description:
  - Reads the reader on C(port), sends each setting whose value differs from the profile (serial
    parameters last) and reads the reader back, with C(tessaroctl apply --json).
  - C(changed) is true exactly when a setting was sent and verified by the read-back. A second run
    of the same task reports C(changed=false).
  - Any key the read-back does not show as wanted fails the task; the message names the keys.
  - In check mode the reader is only read (C(tessaroctl diff --json)); no setting is sent.
  - In diff mode the result shows the keys that differ, the reader's values before and the
    profile's after.
version_added: 21.4.22
author:
  - Tessaro developers (@tessaro)
options:
  port:
    description:
      - The reader's serial port on the managed host, a device path such as C(/dev/ttyUSB0) or
        C(com N).
    type: str
    required: true
  baud:
    description:
      - Speed at which the port is opened, or C(auto) to find the reader's speed first as
        C(tessaroctl find) does; tessaroctl's default (9600) when not given.
    type: raw
  src:
    description:
      - A profile file on the managed host, as written by C(tessaroctl get --out).
      - Mutually exclusive with C(settings).
    type: path
  settings:
    description:
      - The profile's settings inline, a dictionary with the keys and values of a profile file's
        C(settings) object, for example C(horn) set to C(Open), or C(barcode_suffix) set to a
        dictionary with the key C(text).
      - Mutually exclusive with C(src).
    type: dict
  tessaroctl:
    description:
      - Path of the tessaroctl program; the one on the managed host's PATH when not given.
    type: path
notes:
  - C(src) is read on the managed host. To apply a profile kept beside the playbook on any host,
    pass its settings inline, as the last example does.
  - A profile that changes C(baud_rate), C(data_bits), C(stop_bits) or C(parity) is verified at
    the new framing; when the reader does not answer there it is looked for at the old framing and
    at each speed tessaroctl knows, and C(answers_at) says where it was found. Later tasks on that
    reader give the new speed as C(baud), or C(baud=auto).
  - Keys the reader cannot report (C(card_output_format)) are sent with their affix and reported
    as C(not_verifiable); they are neither a change nor a failure.
requirements:
  - tessaroctl (the tessaro package)
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
'''

EXAMPLES = r'''
- name: Bring the door reader to the site profile
  tessaro.readers.reader_profile:
    port: /dev/ttyUSB0
    src: /etc/tessaro/door.json

- name: Open the horn and switch the light on, at 115200
  tessaro.readers.reader_profile:
    port: /dev/ttyUSB1
    baud: 115200
    settings:
      horn: Open
      light: turn on

- name: Apply a profile kept beside the playbook
  tessaro.readers.reader_profile:
    port: "{{ item }}"
    settings: "{{ (lookup('file', 'door.json') | from_json).settings }}"
  loop: "{{ tessaro_ports }}"
'''

RETURN = r'''
port:
  description: The port the task worked on.
  returned: always
  type: str
  sample: /dev/ttyUSB0
outcomes:
  description:
    - The per-key entries of tessaroctl's JSON, one per profile key.
    - C(outcome) is C(unchanged), C(verified), C(mismatch), C(no_reply), C(not_verifiable), or
      in check mode C(mismatch)/C(would_send) for a key that would be sent.
  returned: always
  type: list
  elements: dict
  sample:
    - key: horn
      profile: Open
      reader_before: Close
      reader_after: Open
      outcome: verified
failed_keys:
  description: The keys that were not verified.
  returned: always
  type: list
  elements: str
  sample: [light]
answers_at:
  description:
    - The framing at which the reader last answered, as the profile's keys; null when it answered
      at none tessaroctl tried.
  returned: always
  type: dict
  sample:
    baud_rate: 19200
    data_bits: 8
    stop_bits: 1
    parity: NONE
exit_code:
  description: tessaroctl's exit code.
  returned: always
  type: int
  sample: 0
'''

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tessaro.readers.plugins.module_utils.tessaroctl import (
    baud_args,
    run_json,
    settings_result,
)

PROFILE_FORMAT = 1


def profile_path(module):
    """The profile to give tessaroctl: src, or the inline settings written to a temporary file."""
    if module.params['src']:
        return module.params['src']
    path = os.path.join(module.tmpdir, 'profile.json')
    with open(path, 'w') as f:
        json.dump({'tessaro_profile': PROFILE_FORMAT, 'settings': module.params['settings']}, f)
    return path


def main():
    module = AnsibleModule(
        argument_spec=dict(
            port=dict(type='str', required=True),
            baud=dict(type='raw'),
            src=dict(type='path'),
            settings=dict(type='dict'),
            tessaroctl=dict(type='path'),
        ),
        mutually_exclusive=[('src', 'settings')],
        required_one_of=[('src', 'settings')],
        supports_check_mode=True,
    )
    port = module.params['port']
    args = ['diff' if module.check_mode else 'apply', '--port', port]
    args += baud_args(module)
    args.append(profile_path(module))

    rc, document, stderr = run_json(module, args)
    failed, result = settings_result(rc, document, stderr, port, module.check_mode)
    result['port'] = port
    if not module._diff:
        del result['diff']
    if failed:
        module.fail_json(**result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
