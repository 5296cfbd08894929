#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace hollerbox {

/// The tray icon's image, drawn from the views' SVG icons.
class TrayIconImage
{
public:
    static constexpr const char* fallbackName = "questionmark.square.dashed";

    /// The resource path of the icon `name`, or of the fallback symbol when the views have no such icon.
    static QString resolvedPath(const QString& name);
    /// The icon `name` (or the fallback) with its "currentColor" in `color`, at the sizes trays use.
    static QIcon icon(const QString& name, const QColor& color);
};

} // namespace hollerbox
