#pragma once

#include <QCoreApplication>

namespace hollerbox::testing {

/// The test program's one QCoreApplication, created on first use and kept until the program ends.
inline QCoreApplication& ensureCoreApplication()
{
    if (auto* existing = QCoreApplication::instance()) {
        return *existing;
    }
    static int argc = 1;
    static char name[] = "hollerbox-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application{argc, argv};
    return application;
}

} // namespace hollerbox::testing
