#!/usr/bin/env python3
"""Writes fuzzer seeds made from the emulated devices in tests/data, and hidraw reads made from the report
descriptors in fuzz/corpus: make-seeds.py <tests/data> <seeds dir>."""
import pathlib
import re
import sys

data = pathlib.Path(sys.argv[1]) / "motion"
seeds = pathlib.Path(sys.argv[2])


def write(fuzzer, name, content):
    directory = seeds / fuzzer
    directory.mkdir(parents=True, exist_ok=True)
    (directory / name).write_bytes(content if isinstance(content, bytes) else content.encode())


def hex_lines(path, pattern):
    return [bytes.fromhex(match) for match in re.findall(pattern, path.read_text(), re.MULTILINE)]


spu_reports = hex_lines(data / "spu-accelerometer.ioctl", r"^HIDIOCGINPUT \d+ ([0-9A-F]+)$")
for device in sorted(data.glob("*.umockdev")):
    text = device.read_text()
    write("sysfs-attributes", device.stem + ".umockdev", text)
    for block, paragraph in enumerate(text.split("\n\n")):
        uevent = "".join(line[3:] + "\n" for line in paragraph.splitlines() if line.startswith("E: "))
        if uevent:
            write("sysfs-attributes", f"{device.stem}-{block}.uevent", uevent)
        for attribute, value in re.findall(r"^A: ([^=]+)=(.*)$", paragraph, re.MULTILINE):
            write("sysfs-attributes", f"{device.stem}-{attribute.replace('/', '-')}", value + "\n")
    for descriptor in hex_lines(device, r"^H: report_descriptor=([0-9A-F]+)$"):
        write("hid-descriptor", device.stem, descriptor)
        prefix = len(descriptor).to_bytes(2, "little") + descriptor
        write("hidraw-reports", device.stem, prefix)
        for index, report in enumerate(spu_reports):
            write("hidraw-reports", f"{device.stem}-report{index}", prefix + report[:22] + report[:22])
absinfo = b"".join(hex_lines(data / "evdev-accelerometer.ioctl", r"^EVIOCGABS\S* \d+ ([0-9A-F]+)$"))
write("sysfs-attributes", "evdev-accelerometer-absinfo", absinfo)
for path in sorted((pathlib.Path(__file__).parent / "corpus" / "hid-descriptor").glob("*.bin")):
    descriptor = path.read_bytes()
    write("hidraw-reports", path.stem, len(descriptor).to_bytes(2, "little") + descriptor + bytes(range(1, 65)))
