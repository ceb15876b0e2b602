#include "app/DocumentNaming.h"

#include "app/ShellText.h"

#include <QSet>

bool DocumentNaming::IsSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

namespace {

qsizetype LastSeparator(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (DocumentNaming::IsSeparator(path.at(i)))
            return i;
    }
    return -1;
}

} // namespace

QString DocumentNaming::DisplayName(const QString& path, bool untitled)
{
    if (untitled)
        return path;
    const qsizetype last = LastSeparator(path);
    return last < 0 ? QString() : path.mid(last + 1);
}

QString DocumentNaming::Caption(const QString& displayName, bool modified)
{
    QString caption = displayName;
    if (caption.size() > CaptionLimit)
        caption = caption.left(15) + QStringLiteral("...") + caption.right(16);
    if (modified)
        caption += u'*';
    return caption;
}

QString DocumentNaming::ToolTip(const QString& path, bool modified, const QString& documentType)
{
    QString tip = modified ? path + u'*' : path;
    if (documentType.isEmpty())
        return tip;
    // The name and identifiers tell which type it is; an internal subset can be pages long.
    QString shown;
    QChar quote;
    for (QChar c : documentType) {
        if (quote.isNull() && c == u'[') {
            shown += QStringLiteral("[…]>");
            break;
        }
        if (c == u'"' || c == u'\'')
            quote = quote.isNull() ? c : (quote == c ? QChar() : quote);
        shown += c;
    }
    constexpr qsizetype kLimit = 200;
    shown = shown.simplified();
    if (shown.size() > kLimit)
        shown = shown.left(kLimit - 1) + u'…';
    return tip + u'\n' + shown;
}

QString DocumentNaming::NewName(const QStringList& displayNames)
{
    QSet<QString> taken;
    for (const QString& name : displayNames)
        taken.insert(name.toLower());
    const QString untitled = ShellText::Get(ShellStringId::Untitled);
    if (!taken.contains(untitled.toLower()))
        return untitled;
    const QString numbered = ShellText::Get(ShellStringId::UntitledNumbered);
    for (int j = 1; j <= MaxUntitledNumber; ++j) {
        const QString candidate = ShellText::Format(numbered, {QString::number(j)});
        if (!taken.contains(candidate.toLower()))
            return candidate;
    }
    return QString();
}

DocumentNaming::SaveAsProposal DocumentNaming::ProposeSaveAs(const QString& path, bool untitled)
{
    if (untitled)
        return {};
    const qsizetype separator = LastSeparator(path);
    const qsizetype dot = path.lastIndexOf(u'.');
    if (separator < 0 || dot < 0 || dot < separator)
        return {};
    return {path.mid(separator + 1), path.mid(dot + 1)};
}

QString DocumentNaming::WindowTitle(const QString& activeCaption, bool hasActiveTab,
                                    const QString& applicationTitle)
{
    if (!hasActiveTab)
        return applicationTitle;
    return activeCaption.left(TitleCaptionLimit) + QStringLiteral(" - ") + applicationTitle;
}
