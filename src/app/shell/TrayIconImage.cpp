#include "TrayIconImage.h"

#include "SymbolImageProvider.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace hollerbox {

QString TrayIconImage::resolvedPath(const QString& name)
{
    const QString path = SymbolImageProvider::iconPath(name);
    return QFile::exists(path) ? path : SymbolImageProvider::iconPath(QString::fromLatin1(fallbackName));
}

QIcon TrayIconImage::icon(const QString& name, const QColor& color)
{
    QFile file{resolvedPath(name)};
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexArgb).toLatin1());
    QSvgRenderer renderer{svg};
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 44, 48, 64}) {
        QPixmap pixmap{side, side};
        pixmap.fill(Qt::transparent);
        QPainter painter{&pixmap};
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace hollerbox
