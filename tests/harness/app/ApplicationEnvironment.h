#pragma once

#include "EmulatedLaptop.h"

#include <QProcessEnvironment>
#include <QString>

namespace hollerbox::testing {

/// The environment of a `hollerbox` on `laptop`: the private session bus at `sessionBusAddress`, its home,
/// settings, data and runtime files under `directory`, the software renderer, and X display `display`, or
/// the offscreen platform where it is empty. Desktop and session hints of the caller's own session are
/// removed.
QProcessEnvironment applicationEnvironment(const EmulatedLaptop& laptop, const QString& directory,
                                           const QString& sessionBusAddress, const QString& display);

} // namespace hollerbox::testing
