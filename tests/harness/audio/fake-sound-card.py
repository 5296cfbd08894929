#!/usr/bin/python3
"""Runs a program (a sound server) under umockdev with sound card 0 emulated: /dev/snd/controlC0 answers the
card-information and version requests and has no controls. Usage: fake-sound-card.py PROGRAM [ARGS...].
Ends the program when it is terminated; the program also dies with it."""
import ctypes
import errno
import os
import signal
import struct
import subprocess
import sys

import gi

gi.require_version('UMockdev', '1.0')
from gi.repository import GLib, UMockdev  # noqa: E402


def ioctl_number(direction, number, size):
    return (direction << 30) | (size << 16) | (ord('U') << 8) | number


READ, READ_WRITE = 2, 3
PVERSION = ioctl_number(READ, 0x00, 4)
CARD_INFO = ioctl_number(READ, 0x01, 376)
ELEM_LIST = ioctl_number(READ_WRITE, 0x10, 80)
SUBSCRIBE_EVENTS = ioctl_number(READ_WRITE, 0x16, 4)


class ControlDevice(UMockdev.IoctlBase):
    def do_handle_ioctl(self, client):
        request = client.get_request()
        argument = client.get_arg()
        if request == PVERSION:
            argument.resolve(0, 4).update(0, struct.pack('i', (2 << 16) | 7))
        elif request == CARD_INFO:
            argument.resolve(0, 376).update(0, struct.pack('ii16s16s32s80s16s80s128s', 0, 0, b'Fake', b'fake',
                                                           b'Fake', b'Fake card', b'', b'Fake', b''))
        elif request == ELEM_LIST:
            argument.resolve(0, 80).update(8, struct.pack('II', 0, 0))
        elif request != SUBSCRIBE_EVENTS:
            client.complete(-1, errno.ENOTTY)
            return True
        client.complete(0, 0)
        return True


def die_with_parent():
    ctypes.CDLL('libc.so.6', use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


testbed = UMockdev.Testbed.new()
testbed.add_from_string('P: /devices/platform/fake/sound/card0/controlC0\n'
                        'N: snd/controlC0\n'
                        'E: DEVNAME=/dev/snd/controlC0\n'
                        'E: SUBSYSTEM=sound\n'
                        'A: dev=116:0\n')
device = ControlDevice()
testbed.attach_ioctl('/dev/snd/controlC0', device)
environment = dict(os.environ, LD_PRELOAD='libumockdev-preload.so.0', UMOCKDEV_DIR=testbed.get_root_dir())
child = subprocess.Popen(sys.argv[1:], env=environment, preexec_fn=die_with_parent)
loop = GLib.MainLoop()


def forward(signum):
    child.send_signal(signum)
    return GLib.SOURCE_CONTINUE


for number in (signal.SIGTERM, signal.SIGINT):
    GLib.unix_signal_add(GLib.PRIORITY_HIGH, number, forward, number)


def watch():
    if child.poll() is not None:
        loop.quit()
        return GLib.SOURCE_REMOVE
    return GLib.SOURCE_CONTINUE


GLib.timeout_add(20, watch)
loop.run()
sys.exit(child.returncode if child.returncode >= 0 else 1)
