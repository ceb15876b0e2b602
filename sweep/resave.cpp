// Opens and saves files the way the editor does, for sweeps over many real files: each line of
// standard input is "SOURCE<TAB>TARGET"; each line of output is
// "SOURCE<TAB>load status<TAB>save status<TAB>message" (statuses in hex, 0 for success, "-"
// for a save not tried).
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string line;
    while (std::getline(std::cin, line)) {
        const QString text = QString::fromStdString(line);
        const qsizetype tab = text.indexOf(u'\t');
        if (tab < 0)
            continue;
        const QString source = text.left(tab);
        const QString target = text.mid(tab + 1);
        XmlDocument document;
        const XmlStatus loaded = document.Load(source);
        QString saved = QStringLiteral("-");
        XmlStatus failure = loaded;
        if (loaded == XE_OK) {
            failure = document.Save(target);
            saved = QString::number(failure, 16);
        }
        QString message;
        if (failure != XE_OK) {
            message = StatusMessageTable::MessageOf(failure);
            if (loaded != XE_OK)
                message += QStringLiteral(" (line %1, position %2)")
                               .arg(document.ErrorLine())
                               .arg(document.ErrorPosition());
            message.replace(u'\n', u' ');
        }
        const QByteArray out =
            (source + u'\t' + QString::number(loaded, 16) + u'\t' + saved + u'\t' + message + u'\n')
                .toUtf8();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        std::fflush(stdout);
    }
    return 0;
}
