#pragma once

#include <QProcessEnvironment>

namespace hollerbox::testing {

/// Gives this process the environment `environment` for its lifetime, so that children that inherit it (a
/// detached monitor) live on an emulated laptop, then puts the previous environment back.
class ScopedProcessEnvironment
{
public:
    explicit ScopedProcessEnvironment(const QProcessEnvironment& environment);
    ~ScopedProcessEnvironment();

    ScopedProcessEnvironment(const ScopedProcessEnvironment&) = delete;
    ScopedProcessEnvironment& operator=(const ScopedProcessEnvironment&) = delete;

private:
    static void apply(const QProcessEnvironment& environment);

    QProcessEnvironment m_saved = QProcessEnvironment::systemEnvironment();
};

} // namespace hollerbox::testing
