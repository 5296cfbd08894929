#pragma once

#include <QObject>
#include <QString>

namespace hollerbox {

/// Carries a view's requests to the shell: the view contract's QML signals, re-emitted as C++ signals.
class ViewSignalRouter final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// Connects whichever of `openWindowRequested(string)`, `quitRequested()` and `continueRequested()`
    /// `view` declares to the signals of the same name here.
    void attach(QObject& view);

Q_SIGNALS:
    void openWindowRequested(const QString& identifier);
    void quitRequested();
    void continueRequested();
};

} // namespace hollerbox
