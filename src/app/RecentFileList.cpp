#include "app/RecentFileList.h"

#include "app/CommandAction.h"
#include "config/LoadText.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>

namespace {

constexpr int RecentFilesStringId = 206;

bool IsSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

qsizetype NextSeparator(const QString& path, qsizetype from)
{
    for (qsizetype i = from; i < path.size(); ++i) {
        if (IsSeparator(path.at(i)))
            return i;
    }
    return -1;
}

qsizetype LastSeparator(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsSeparator(path.at(i)))
            return i;
    }
    return -1;
}

} // namespace

void RecentFileList::Load(const QStringList& paths, int maxCount)
{
    m_maxCount = std::clamp(maxCount, 0, 10);
    m_entries = paths.mid(0, m_maxCount);
    if (!m_entries.isEmpty())
        RebuildMenu();
}

void RecentFileList::Add(const QString& path)
{
    m_entries.prepend(path);
    const qsizetype duplicate = m_entries.indexOf(path, 1);
    if (duplicate > 0)
        m_entries.removeAt(duplicate);
    else if (m_entries.size() > m_maxCount)
        m_entries.erase(m_entries.begin() + m_maxCount, m_entries.end());
    RebuildMenu();
}

void RecentFileList::RemoveAt(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    m_entries.removeAt(index);
    RebuildMenu();
}

void RecentFileList::RebuildMenu()
{
    if (!m_menu)
        return;
    QList<QAction*> actions = m_menu->actions();
    int position = int(actions.size());
    for (int i = 0; i < actions.size(); ++i) {
        if (CommandAction::IdOf(actions[i]) == FirstCommand) {
            position = i;
            break;
        }
    }
    while (position < actions.size()) {
        const int id = CommandAction::IdOf(actions[position]);
        if (id < FirstCommand || id > LastCommand || actions[position]->isSeparator())
            break;
        QAction* gone = actions.takeAt(position);
        m_menu->removeAction(gone);
        if (gone->parent() == m_menu)
            delete gone;
    }
    InsertItems(m_menu, position);
}

void RecentFileList::FillPopup(QMenu* popup) const
{
    InsertItems(popup, 0);
}

void RecentFileList::InsertItems(QMenu* menu, int position) const
{
    const QList<QAction*> actions = menu->actions();
    QAction* before = position < actions.size() ? actions[position] : nullptr;
    auto insert = [&](const QString& text, int id, bool enabled) {
        auto* action = new QAction(text, menu);
        CommandAction::SetId(action, id);
        action->setEnabled(enabled);
        menu->insertAction(before, action);
    };
    if (m_entries.isEmpty()) {
        insert(LoadText(RecentFilesStringId), FirstCommand, false);
        return;
    }
    for (int i = 0; i < m_entries.size(); ++i)
        insert(EntryText(i, m_entries[i]), FirstCommand + i, true);
}

void RecentFileList::Choose(int index, const std::function<void(const QString&)>& open,
                            const std::function<void(const QString&)>& reportMissing)
{
    if (index < 0 || index >= m_entries.size())
        return;
    const QString path = m_entries[index];
    if (QFileInfo::exists(path)) {
        open(path);
        return;
    }
    reportMissing(path);
    // The message may have run other events; remove the entry the user chose, if still there.
    if (index < m_entries.size() && m_entries[index] == path)
        RemoveAt(index);
}

QString RecentFileList::EntryText(int index, const QString& path)
{
    return QStringLiteral("&%1 %2").arg(index + 1).arg(ShortenRecentPath(path));
}

QString RecentFileList::ShortenRecentPath(const QString& path, int limit)
{
    const qsizetype length = path.size();
    if (length <= limit)
        return path;
    const qsizetype first = NextSeparator(path, 0);
    if (first < 0)
        return path;
    const qsizetype last = LastSeparator(path);
    if (first == last)
        return path;
    const qsizetype tail = length - last;
    qsizetype h = first;
    qsizetype previous = first;
    while (h < last && (h + 1) + tail < limit) {
        previous = h;
        h = NextSeparator(path, h + 1);
    }
    if (h == last)
        return path;
    if ((h + 1) + tail > limit)
        h = previous;
    const QString head = path.left(h + 1);
    if ((h + 1) + tail <= limit)
        return head + QStringLiteral("...") + path.mid(last);
    return head + QStringLiteral("...") + path.mid(last, limit - h - 1) + QStringLiteral("...");
}
