#pragma once

class QGuiApplication;

namespace hollerbox::testing {

/// The one GUI application of the shell's test program, offscreen with the software scene graph.
QGuiApplication& ensureGuiApplication();

} // namespace hollerbox::testing
