#include "horbelung.h"

#include "platform/drivemap.h"
#include "platform/realservices.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Horbelung"));
    // Ties the windows to the installed desktop file: its name and icon in
    // the task bar and dock (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("de.tarvik.horbelung"));

    // The program directory holds arj.exe; the path file stays in the
    // directory the program was started from.
    platform::RealServices services(platform::DriveMap::fromEnvironment(),
                                    QCoreApplication::applicationDirPath(), QDir::currentPath());
    Horbelung w(services);
    services.setPointerWindow(&w);
    w.show();
    w.centreOnScreen();
    return app.exec();
}
