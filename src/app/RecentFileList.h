#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QMenu;

// The most recently closed files, offered in the File menu and in the Open button's pop-up.
class RecentFileList {
public:
    static constexpr int FirstCommand = 32900;
    static constexpr int LastCommand = 32909;
    static constexpr int ShortenLimit = 40;

    // The File menu whose entries are rebuilt in place of its placeholder (may be none).
    void SetMenu(QMenu* fileMenu) { m_menu = fileMenu; }
    // Takes the stored list, cut to `maxCount` (clamped to 0..10).
    void Load(const QStringList& paths, int maxCount);
    const QStringList& Entries() const { return m_entries; }
    int MaxCount() const { return m_maxCount; }
    bool IsEmpty() const { return m_entries.isEmpty(); }

    // A closing file goes to the front; an equal entry further down is removed instead of
    // cutting the list, so re-adding never pushes another file out.
    void Add(const QString& path);
    void RemoveAt(int index);

    void RebuildMenu();
    // The same items as the File menu, inserted into `popup` from its top.
    void FillPopup(QMenu* popup) const;

    // Command 32900 + index: an existing file is opened as it is (the list keeps its order);
    // a missing one is reported through `reportMissing` with the path and removed.
    void Choose(int index, const std::function<void(const QString&)>& open,
                const std::function<void(const QString&)>& reportMissing);

    // "&%d %s" with the number from 1 and the shortened path.
    static QString EntryText(int index, const QString& path);
    // Shows a long path as its leading folders, "..." and its file name, within `limit`.
    static QString ShortenRecentPath(const QString& path, int limit = ShortenLimit);

private:
    void InsertItems(QMenu* menu, int position) const;

    QStringList m_entries;
    int m_maxCount = 5;
    QMenu* m_menu = nullptr;
};
