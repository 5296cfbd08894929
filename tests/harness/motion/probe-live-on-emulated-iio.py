#!/usr/bin/python3
# Runs "HollerboxSensorProbe --live 4" against an emulated IIO accelerometer (umockdev) and tilts it by 0.1 g
# on x after 1.5 s, then lifts it (z 1.3 g) after 2.5 s, printing what the probe prints.
# Usage: tests/harness/motion/probe-live-on-emulated-iio.py <path to HollerboxSensorProbe>
import os
import subprocess
import sys
import threading
import time

import gi

gi.require_version('UMockdev', '1.0')
from gi.repository import UMockdev  # noqa: E402

SCALE = 0.009806650  # m/s² per count: a count is a thousandth of a g
DEVICE = '/sys/devices/platform/HID-SENSOR-200073.0.auto/iio:device0'

testbed = UMockdev.Testbed.new()
testbed.add_from_string(f"""P: {DEVICE[4:]}
E: DEVTYPE=iio_device
E: SUBSYSTEM=iio
A: name=accel_3d
A: in_accel_scale={SCALE}
A: in_accel_x_raw=0
A: in_accel_y_raw=0
A: in_accel_z_raw=1000
""")


def set_acceleration(x, y, z):
    for axis, g in zip('xyz', (x, y, z)):
        testbed.set_attribute(DEVICE, f'in_accel_{axis}_raw', str(round(g * 1000)))


def move():
    time.sleep(1.5)
    set_acceleration(0.1, 0, 0.995)
    time.sleep(1.0)
    set_acceleration(0.0, 0.05, 1.3)


environment = dict(os.environ, LD_PRELOAD='libumockdev-preload.so.0', UMOCKDEV_DIR=testbed.get_root_dir())
threading.Thread(target=move, daemon=True).start()
result = subprocess.run([sys.argv[1], '--live', '4'], env=environment, capture_output=True, text=True, timeout=30)
sys.stdout.write(result.stdout)
sys.stderr.write(result.stderr)
sys.exit(result.returncode)
