// Writes the program's icon at build time, drawn by the same code as the window icon: a PNG of
// the given size, or the scalable SVG when the size is "scalable".
#include "app/CommandIcons.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgGenerator>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString size = QString::fromLocal8Bit(argv[2]);
    if (size != QLatin1String("scalable")) {
        const QImage image = CommandIcons::ProgramImage(size.toInt());
        return !image.isNull() && image.save(path, "PNG") ? 0 : 1;
    }
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(64, 64));
    svg.setViewBox(QRect(0, 0, 64, 64));
    svg.setTitle(QStringLiteral("TOVI XMLEditor"));
    QPainter painter;
    if (!painter.begin(&svg))
        return 1;
    CommandIcons::PaintProgram(painter);
    if (!painter.end())
        return 1;
    // The generator gives the size in millimetres; icon themes expect plain pixels.
    QString text = QString::fromUtf8(buffer.data());
    text.replace(QRegularExpression(QStringLiteral(R"(<svg width="[^"]*" height="[^"]*")")),
                 QStringLiteral(R"(<svg width="64" height="64")"));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0 && file.flush() ? 0 : 1;
}
