#pragma once

#include <QQuickImageProvider>

class QQmlEngine;

namespace hollerbox {

/// Draws the application's symbols for "image://symbol/<name>?<colour>": the SVG icon of that name from the
/// views' module, with its "currentColor" painted in the colour given, at the size asked for. An unknown name
/// gives an empty image.
class SymbolImageProvider final : public QQuickImageProvider
{
public:
    SymbolImageProvider();

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    /// The resource path of the symbol `name`'s SVG.
    static QString iconPath(const QString& name);
};

/// Installs the image providers the views use on `engine`.
void registerViewImageProviders(QQmlEngine& engine);

} // namespace hollerbox
