#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it: lintian finds no errors, it holds every piece, and
# its monitor and probe run from an unpacked root.
# Usage: check-package.sh <build dir> <monitor end-to-end test program>
set -euo pipefail
build=$1
monitor_tests=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "check-package: $*" >&2
    exit 1
}

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack failed"
fi
debs=("$work"/out/hollerbox_*_*.deb)
[ -f "${debs[0]}" ] || fail "no hollerbox_<version>_<arch>.deb was made"
deb=${debs[0]}
echo "package: $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Depends

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || {
    cat "$work/lintian.log"
    fail "lintian reports errors"
}
grep -c '^W:' "$work/lintian.log" | xargs echo "lintian warnings:"

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/files"
for piece in \
    usr/bin/hollerbox \
    usr/bin/HollerboxSensorProbe \
    usr/libexec/hollerbox/HollerboxBackgroundMonitor \
    usr/share/hollerbox/Hollerbox_HollerboxCore.bundle/BuiltInAlarms/hands-off.mp3 \
    usr/share/hollerbox/Hollerbox_HollerboxCore.bundle/BuiltInAlarms/police-alarm.mp3 \
    usr/share/hollerbox/Hollerbox_HollerboxCore.bundle/BuiltInAlarms/what-are-you-doing.mp3 \
    usr/share/hollerbox/BuiltInAlarms \
    usr/share/applications/org.hollerbox.Hollerbox.desktop \
    usr/share/icons/hicolor/scalable/apps/org.hollerbox.Hollerbox.svg \
    usr/share/metainfo/org.hollerbox.Hollerbox.metainfo.xml \
    usr/lib/udev/rules.d/70-hollerbox-accelerometer.rules \
    usr/share/doc/hollerbox/copyright \
    usr/share/doc/hollerbox/changelog.gz; do
    grep -qx "$piece" "$work/files" || fail "the package lacks $piece"
done

root=$work/root
dpkg-deb --extract "$deb" "$root"
probe_output=$("$root/usr/bin/HollerboxSensorProbe" 2>&1) || fail "the unpacked probe failed: $probe_output"
grep -q "Device count:" <<<"$probe_output" || fail "the unpacked probe printed no summary: $probe_output"
# The monitor finds its sounds beside itself: the lift test hears the built-in alarm from the unpacked root.
HOLLERBOX_MONITOR_UNDER_TEST="$root/usr/libexec/hollerbox/HollerboxBackgroundMonitor" \
    "$monitor_tests" --gtest_filter='*LiftSoundsTheAlarmAtTheForcedVolume*' --gtest_brief=1 ||
    fail "the unpacked monitor did not sound the alarm"
echo "check-package: the package is complete and its programs run from an unpacked root"
