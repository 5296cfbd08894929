#include "ViewWindowFactory.h"

#include "ViewSignalRouter.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPalette>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

namespace hollerbox {

namespace {

Q_LOGGING_CATEGORY(lcViews, "hollerbox.views")

void fillWindow(QQuickWindow& window, QQuickItem& view)
{
    view.setSize(window.size());
    QObject::connect(&window, &QWindow::widthChanged, &view, [&view](int width) { view.setWidth(width); });
    QObject::connect(&window, &QWindow::heightChanged, &view,
                     [&view](int height) { view.setHeight(height); });
}

} // namespace

ViewWindowFactory::ViewWindowFactory(QQmlEngine& engine) : m_engine(engine) {}

void ViewWindowFactory::applyPalette(QQuickWindow& window)
{
    window.setColor(QGuiApplication::palette().color(QPalette::Window));
}

ViewWindowFactory::ViewWindow ViewWindowFactory::create(const QString& typeName, const QString& title,
                                                        QSize size, const QVariantMap& properties)
{
    ViewWindow made;
    made.window = std::make_unique<QQuickWindow>();
    QQuickWindow& window = *made.window;
    window.setTitle(title);
    window.resize(size);
    applyPalette(window);
    made.router = new ViewSignalRouter(&window);

    QQmlComponent component{&m_engine};
    component.setData(QStringLiteral("import Hollerbox.Views\n%1 {}\n").arg(typeName).toUtf8(),
                      QUrl{QStringLiteral("qrc:/hollerbox/shell/%1Window.qml").arg(typeName)});
    QObject* object = component.isReady() ? component.createWithInitialProperties(properties) : nullptr;
    auto* view = qobject_cast<QQuickItem*>(object);
    if (view == nullptr) {
        delete object;
        qCWarning(lcViews).noquote() << "The view" << typeName
                                     << "could not be made:" << component.errorString();
        return made;
    }
    QQmlEngine::setObjectOwnership(view, QQmlEngine::CppOwnership);
    view->setParent(&window);
    view->setParentItem(window.contentItem());
    fillWindow(window, *view);
    made.router->attach(*view);
    made.view = view;
    return made;
}

} // namespace hollerbox
