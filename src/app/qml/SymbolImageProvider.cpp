#include "SymbolImageProvider.h"

#include <QColor>
#include <QFile>
#include <QPainter>
#include <QQmlEngine>
#include <QSvgRenderer>

namespace hollerbox {

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QString SymbolImageProvider::iconPath(const QString& name)
{
    return QStringLiteral(":/qt-project.org/imports/Hollerbox/Views/icons/") + name + QStringLiteral(".svg");
}

QImage SymbolImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    const QString name = id.section(QLatin1Char('?'), 0, 0);
    const QColor color{id.section(QLatin1Char('?'), 1)};
    QFile file{iconPath(name)};
    if (name.contains(QLatin1Char('/')) || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray svg = file.readAll();
    svg.replace("currentColor", (color.isValid() ? color : QColor{Qt::black}).name(QColor::HexArgb).toLatin1());
    QSvgRenderer renderer{svg};
    const QSize target = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : renderer.defaultSize();
    QImage image{target, QImage::Format_ARGB32_Premultiplied};
    image.fill(Qt::transparent);
    QPainter painter{&image};
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
