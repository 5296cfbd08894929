#include "ModelOnFakes.h"
#include "SymbolImageProvider.h"

#include <QQmlEngine>
#include <QQuickStyle>
#include <QtPlugin>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Hollerbox_ViewsPlugin)

/// Gives every test file the views' module and `ModelOnFakes` from "Hollerbox.Testing".
class ViewsTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
        qmlRegisterType<hollerbox::testing::ModelOnFakes>("Hollerbox.Testing", 1, 0, "ModelOnFakes");
    }
    void qmlEngineAvailable(QQmlEngine* engine) { hollerbox::registerViewImageProviders(*engine); }
};

QUICK_TEST_MAIN_WITH_SETUP(HollerboxViews, ViewsTestSetup)

#include "main.moc"
