#pragma once

#include <QSize>
#include <QString>
#include <QVariantMap>
#include <memory>

class QQmlEngine;
class QQuickItem;
class QQuickWindow;

namespace hollerbox {

class ViewSignalRouter;

/// Builds the application's windows around the views of the module Hollerbox.Views.
class ViewWindowFactory
{
public:
    /// A window made by `create`, with its view (absent when the view could not be made) and the router of
    /// the view's requests, both owned by the window.
    struct ViewWindow
    {
        std::unique_ptr<QQuickWindow> window;
        QQuickItem* view = nullptr;
        ViewSignalRouter* router = nullptr;
    };

    explicit ViewWindowFactory(QQmlEngine& engine);

    /// A hidden window titled `title` of `size` that hosts a new view of type `typeName` made with
    /// `properties`, filling the window; a failure to make the view is logged and leaves the window empty.
    ViewWindow create(const QString& typeName, const QString& title, QSize size,
                      const QVariantMap& properties);

    /// Paints `window`'s background with the application palette's window colour.
    static void applyPalette(QQuickWindow& window);

private:
    QQmlEngine& m_engine;
};

} // namespace hollerbox
