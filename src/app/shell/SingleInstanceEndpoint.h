#pragma once

#include <QObject>
#include <functional>

namespace hollerbox {

/// The running instance's object on the session bus: a later launch calls `ShowPanel`.
class SingleInstanceEndpoint final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.hollerbox.Hollerbox")
    Q_PROPERTY(bool PanelVisible READ panelVisible SCRIPTABLE true)

public:
    using QObject::QObject;

    /// Where `PanelVisible` reads from.
    void setPanelVisibility(std::function<bool()> visibility) { m_panelVisibility = std::move(visibility); }
    bool panelVisible() const { return m_panelVisibility && m_panelVisibility(); }

public Q_SLOTS:
    Q_SCRIPTABLE void ShowPanel();

Q_SIGNALS:
    void showPanelRequested();

private:
    std::function<bool()> m_panelVisibility;
};

} // namespace hollerbox
