#pragma once

#include <QRect>
#include <QString>

namespace hollerbox::demo {

/// The option that runs this program as its own screenshot taker.
inline constexpr const char* grabOption = "--grab";

/// Saves the region `area` of X display `display` as a PNG at `file`, through a child of this program;
/// false when the display could not be read or the file not written.
bool saveScreenshot(const QString& program, const QString& display, const QRect& area, const QString& file);

/// The child's side: `arguments` are the file, then x, y, width and height; returns the exit status.
int runScreenGrab(int argc, char* argv[]);

} // namespace hollerbox::demo
