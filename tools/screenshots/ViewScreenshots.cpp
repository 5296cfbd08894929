#include "ModelOnFakes.h"
#include "SymbolImageProvider.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTextStream>
#include <QtQml/qqmlextensionplugin.h>
#include <algorithm>

Q_IMPORT_QML_PLUGIN(Hollerbox_ViewsPlugin)

namespace {

/// What the scenes in Screenshots.qml need from outside QML: finding items, scrolling, writing PNGs.
class ScreenshotWriter : public QObject
{
    Q_OBJECT

public:
    ScreenshotWriter(QString directory, QStringList only)
        : m_directory(std::move(directory)), m_only(std::move(only))
    {}

    bool failed() const { return m_failed; }

    /// Whether the shot `name` was asked for: all shots when none were named.
    Q_INVOKABLE bool wanted(const QString& name) const { return m_only.isEmpty() || m_only.contains(name); }

    /// The first object named `objectName` under `root`, searching child objects and child items.
    Q_INVOKABLE QObject* find(QObject* root, const QString& objectName) const
    {
        if (root == nullptr) {
            return nullptr;
        }
        QList<QObject*> children = root->children();
        if (auto* item = qobject_cast<QQuickItem*>(root)) {
            for (QQuickItem* child : item->childItems()) {
                if (!children.contains(child)) {
                    children.append(child);
                }
            }
        }
        for (QObject* child : children) {
            if (child->objectName() == objectName) {
                return child;
            }
        }
        for (QObject* child : children) {
            if (QObject* found = find(child, objectName)) {
                return found;
            }
        }
        return nullptr;
    }

    /// How much taller the content of the first flickable in `view` is than the flickable itself.
    Q_INVOKABLE qreal hiddenContentHeight(QQuickItem* view) const
    {
        QList<QQuickItem*> queue{view};
        while (!queue.isEmpty()) {
            QQuickItem* item = queue.takeFirst();
            if (item->inherits("QQuickFlickable")) {
                return std::max(item->property("contentHeight").toReal() - item->height(), 0.0);
            }
            queue.append(item->childItems());
        }
        return 0;
    }

    /// Scrolls the nearest flickable around `item` so that `item`'s bottom edge is in view.
    Q_INVOKABLE void scrollIntoView(QQuickItem* item) const
    {
        for (QQuickItem* parent = item != nullptr ? item->parentItem() : nullptr; parent != nullptr;
             parent = parent->parentItem()) {
            if (parent->inherits("QQuickFlickable")) {
                auto* content = parent->property("contentItem").value<QQuickItem*>();
                const qreal bottom = item->mapToItem(content, QPointF{0, item->height()}).y();
                const qreal maximum = parent->property("contentHeight").toReal() - parent->height();
                parent->setProperty("contentY",
                                    std::clamp(bottom + 12 - parent->height(), 0.0, std::max(maximum, 0.0)));
                return;
            }
        }
    }

    /// Renders `window` and writes it to `<directory>/<name>.png`, with "-<percent>pct" added when scaled.
    Q_INVOKABLE bool save(QQuickWindow* window, const QString& name)
    {
        const qreal ratio = window->devicePixelRatio();
        const QString suffix =
            qFuzzyCompare(ratio, 1.0) ? QString{} : QStringLiteral("-%1pct").arg(qRound(ratio * 100));
        const QString path = QDir{m_directory}.filePath(name + suffix + QStringLiteral(".png"));
        const QImage image = window->grabWindow().convertToFormat(QImage::Format_RGB888);
        const bool saved = !image.isNull() && image.save(path, "PNG", 0);
        QTextStream{stdout} << (saved ? "wrote " : "could not write ") << path << ' ' << image.width() << 'x'
                            << image.height() << Qt::endl;
        m_failed = m_failed || !saved;
        return saved;
    }

    /// Ends the program once every scene was shot.
    Q_INVOKABLE void finish() { QCoreApplication::exit(m_failed ? 1 : 0); }

private:
    QString m_directory;
    QStringList m_only;
    bool m_failed = false;
};

} // namespace

/// Renders the views on a model on fakes and writes one PNG per scene: ViewScreenshots OUTPUT-DIR [SCENE...].
int main(int argc, char* argv[])
{
    QGuiApplication application{argc, argv};
    QStringList arguments = application.arguments().mid(1);
    if (arguments.isEmpty()) {
        QTextStream{stderr} << "usage: ViewScreenshots OUTPUT-DIR [SCENE...]" << Qt::endl;
        return 2;
    }
    const QString directory = arguments.takeFirst();
    if (!QDir{}.mkpath(directory)) {
        QTextStream{stderr} << "cannot create " << directory << Qt::endl;
        return 1;
    }

    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    qmlRegisterType<hollerbox::testing::ModelOnFakes>("Hollerbox.Testing", 1, 0, "ModelOnFakes");
    ScreenshotWriter writer{directory, arguments};
    QQmlApplicationEngine engine;
    hollerbox::registerViewImageProviders(engine);
    engine.rootContext()->setContextProperty(QStringLiteral("shots"), &writer);
    engine.rootContext()->setContextProperty(QStringLiteral("applicationVersion"),
                                             QStringLiteral(HOLLERBOX_VERSION));
    engine.load(QUrl{QStringLiteral("qrc:/screenshots/Screenshots.qml")});
    if (engine.rootObjects().isEmpty()) {
        return 1;
    }
    const int status = application.exec();
    return status != 0 || writer.failed() ? 1 : 0;
}

#include "ViewScreenshots.moc"
