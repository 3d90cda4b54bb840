# -*- coding: utf-8 -*-
# Copyright 2021-2026 Tessaro developers
"""Runs a module's main() with given arguments and canned tessaroctl runs; returns its result."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

import pytest

from ansible.module_utils import basic
from ansible.module_utils.common.text.converters import to_bytes


class ModuleExit(Exception):
    def __init__(self, result, failed):
        super(ModuleExit, self).__init__(result)
        self.result = result
        self.failed = failed


class FakeTessaroctl:
    """Answers each run_command with the next canned (rc, stdout, stderr); records the commands
    and, for apply/diff, the profile file as it was when tessaroctl would have read it."""

    def __init__(self, replies):
        self.replies = list(replies)
        self.commands = []
        self.profiles = []

    def __call__(self, module, command, **kwargs):
        self.commands.append(command)
        if command[1] in ('apply', 'diff'):
            with open(command[-2]) as f:
                self.profiles.append(json.load(f))
        rc, stdout, stderr = self.replies.pop(0)
        if not isinstance(stdout, str):
            stdout = json.dumps(stdout)
        return rc, stdout, stderr


@pytest.fixture
def run_module(monkeypatch, tmp_path):
    def run(main, args, replies, check_mode=False, diff=False):
        args = dict(args, tessaroctl='/usr/bin/tessaroctl', _ansible_check_mode=check_mode,
                    _ansible_diff=diff, _ansible_tmpdir=str(tmp_path), _ansible_remote_tmp=str(tmp_path),
                    _ansible_keep_remote_files=True)
        monkeypatch.setattr(basic, '_ANSIBLE_ARGS', to_bytes(json.dumps({'ANSIBLE_MODULE_ARGS': args})))
        fake = FakeTessaroctl(replies)
        monkeypatch.setattr(basic.AnsibleModule, 'run_command', lambda self, command, **kw: fake(self, command, **kw))

        def exit_json(self, **kwargs):
            raise ModuleExit(kwargs, False)

        def fail_json(self, **kwargs):
            raise ModuleExit(kwargs, True)

        monkeypatch.setattr(basic.AnsibleModule, 'exit_json', exit_json)
        monkeypatch.setattr(basic.AnsibleModule, 'fail_json', fail_json)
        with pytest.raises(ModuleExit) as e:
            main()
        return e.value, fake

    return run
