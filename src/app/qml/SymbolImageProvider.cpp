#include "SymbolImageProvider.h"

#include <QColor>
#include <QFile>
#include <QPainter>
#include <QQmlEngine>
#include <QSvgRenderer>
#include <QUrl>

namespace hollerbox {

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QString SymbolImageProvider::iconPath(const QString& name)
{
    return QStringLiteral(":/qt-project.org/imports/Hollerbox/Views/icons/") + name + QStringLiteral(".svg");
}

QImage SymbolImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    const QString name = id.section(QLatin1Char('?'), 0, 0);
    const QColor requested{QUrl::fromPercentEncoding(id.section(QLatin1Char('?'), 1).toUtf8())};
    const QColor color = requested.isValid() ? requested : QColor{Qt::black};
    QFile file{iconPath(name)};
    if (name.contains(QLatin1Char('/')) || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray svg = file.readAll();
    // SVG colours have no alpha: the symbol is painted opaque and then faded as a whole.
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer{svg};
    const QSize target = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : renderer.defaultSize();
    QImage image{target, QImage::Format_ARGB32_Premultiplied};
    image.fill(Qt::transparent);
    QPainter painter{&image};
    painter.setOpacity(color.alphaF());
    renderer.render(&painter);
    if (size != nullptr) {
        *size = target;
    }
    return image;
}

void registerViewImageProviders(QQmlEngine& engine)
{
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
}

} // namespace hollerbox
