#include "app/Application.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TOVIXMLEditor"));
    QApplication::setApplicationVersion(QStringLiteral(TOVI_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tovi-xmleditor"));
    return Application().Run(QApplication::arguments());
}
