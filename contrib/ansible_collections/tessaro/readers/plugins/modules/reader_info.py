# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: reader_info
short_description: Read a reader's settings over its serial port
description:
  - Reads the reader on C(port) with the parameter query (C(tessaroctl get --json)) and returns its
    settings. Sends no setting and never reports a change; safe in check mode.
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
  card_output_format:
    description:
      - The card output format to state in the settings (C(card_output_format)), which a reader
        cannot report over the serial line; left out when not given.
    type: str
    choices: [hex, ASCII]
  tessaroctl:
    description:
      - Path of the tessaroctl program; the one on the managed host's PATH when not given.
    type: path
requirements:
  - tessaroctl (the tessaro package)
attributes:
  check_mode:
    support: full
'''

EXAMPLES = r'''
- name: Read the door reader
  tessaro.readers.reader_info:
    port: /dev/ttyUSB0
  register: door

- name: Say when its horn is open
  ansible.builtin.debug:
    msg: "horn is {{ door.settings.horn }}"
'''

RETURN = r'''
port:
  description: The port that was read.
  returned: always
  type: str
  sample: /dev/ttyUSB0
settings:
  description:
    - The reader's settings with the keys and values of a profile file, as C(tessaroctl get --json)
      gives them. C(card_output_format) cannot be read back and is absent.
  returned: success
  type: dict
  sample:
    horn: Close
    baud_rate: 9600
    barcode_suffix:
      text: ""
answers_at:
  description: The framing at which the reader answered, as the profile's keys.
  returned: success
  type: dict
  sample:
    baud_rate: 9600
    data_bits: 8
    stop_bits: 1
    parity: NONE
exit_code:
  description: tessaroctl's exit code.
  returned: always
  type: int
  sample: 0
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tessaro.readers.plugins.module_utils.tessaroctl import (
    baud_args,
    exit_meaning,
    last_line,
    run_json,
)


def profile_settings(document):
    """The settings of get's document: {port, ok, error, profile: {settings}}, or the profile
    itself as tessaroctl printed it before it had the port's status around it."""
    if not isinstance(document, dict):
        return None
    if 'profile' in document:
        document = document['profile']
        if not isinstance(document, dict):
            return None
    return document.get('settings')


def main():
    module = AnsibleModule(
        argument_spec=dict(
            port=dict(type='str', required=True),
            baud=dict(type='raw'),
            card_output_format=dict(type='str', choices=['hex', 'ASCII']),
            tessaroctl=dict(type='path'),
        ),
        supports_check_mode=True,
    )
    port = module.params['port']
    args = ['get', '--port', port]
    args += baud_args(module)
    if module.params['card_output_format']:
        args += ['--card-output-format', module.params['card_output_format']]
    rc, document, stderr = run_json(module, args)
    settings = profile_settings(document)
    if rc != 0 or not isinstance(settings, dict):
        error = document.get('error') if isinstance(document, dict) else None
        module.fail_json(
            msg='%s: %s (tessaroctl: %s)' % (port, error or last_line(stderr) or exit_meaning(rc), exit_meaning(rc)),
            port=port,
            exit_code=rc,
        )
    module.exit_json(changed=False, port=port, settings=settings, answers_at=document.get('answers_at'),
                     exit_code=rc)


if __name__ == '__main__':
    main()
