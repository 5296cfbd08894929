#include "ScopedProcessEnvironment.h"

namespace hollerbox::testing {

ScopedProcessEnvironment::ScopedProcessEnvironment(const QProcessEnvironment& environment)
{
    apply(environment);
}

ScopedProcessEnvironment::~ScopedProcessEnvironment()
{
    apply(m_saved);
}

void ScopedProcessEnvironment::apply(const QProcessEnvironment& environment)
{
    for (const auto& name : QProcessEnvironment::systemEnvironment().keys()) {
        if (!environment.contains(name)) {
            qunsetenv(name.toLocal8Bit().constData());
        }
    }
    for (const auto& name : environment.keys()) {
        qputenv(name.toLocal8Bit().constData(), environment.value(name).toLocal8Bit());
    }
}

} // namespace hollerbox::testing
