#include "ScreenGrab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <cstdlib>

namespace hollerbox::demo {

bool saveScreenshot(const QString& program, const QString& display, const QRect& area, const QString& file)
{
    QProcess child;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    child.setProcessEnvironment(environment);
    child.start(program,
                {QString::fromLatin1(grabOption), file, QString::number(area.x()), QString::number(area.y()),
                 QString::number(area.width()), QString::number(area.height())});
    return child.waitForFinished(15000) && child.exitStatus() == QProcess::NormalExit &&
           child.exitCode() == 0;
}

int runScreenGrab(int argc, char* argv[])
{
    if (argc != 7) {
        return 2;
    }
    QGuiApplication application{argc, argv};
    const QRect area{QString::fromLocal8Bit(argv[3]).toInt(), QString::fromLocal8Bit(argv[4]).toInt(),
                     QString::fromLocal8Bit(argv[5]).toInt(), QString::fromLocal8Bit(argv[6]).toInt()};
    QScreen* screen = QGuiApplication::screenAt(area.center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return 1;
    }
    const QRect local = area.translated(-screen->geometry().topLeft());
    const QPixmap image = screen->grabWindow(0, local.x(), local.y(), local.width(), local.height());
    const bool saved = !image.isNull() && image.save(QString::fromLocal8Bit(argv[2]), "PNG");
    // What the display connection keeps until exit is of no interest to a child that lives for one grab.
    std::_Exit(saved ? 0 : 1);
}

} // namespace hollerbox::demo
