#include "app/UserGuide.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextDocument>

static void InitUserGuideResource()
{
    Q_INIT_RESOURCE(UserGuide);
}

QString UserGuide::Markdown()
{
    InitUserGuideResource();
    QFile file(QStringLiteral(":/app/USER_GUIDE.md"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString UserGuide::ToHtml(const QString& markdown)
{
    QTextDocument document;
    document.setMarkdown(markdown);
    // The page declares UTF-8 itself, which is how the file is written.
    return document.toHtml();
}

QString UserGuide::HtmlFile()
{
    const QString markdown = Markdown();
    if (markdown.isEmpty())
        return QString();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    if (!QDir().mkpath(folder))
        return QString();
    const QString path = QDir(folder).filePath(QStringLiteral("TOVIXMLEditor-UserGuide.html"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(ToHtml(markdown).toUtf8());
    return file.commit() ? path : QString();
}
