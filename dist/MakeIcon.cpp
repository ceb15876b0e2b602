// Writes the program's icon as a PNG at build time, drawn by the same code as the window icon.
#include "app/CommandIcons.h"

#include <QGuiApplication>
#include <QImage>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QImage image = CommandIcons::ProgramImage(QString::fromLocal8Bit(argv[2]).toInt());
    return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
