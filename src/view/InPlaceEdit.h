#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class QFont;
class QLineEdit;
class QPlainTextEdit;
class QAbstractScrollArea;
class QRect;
class QWidget;

// What an edit box hands to its control when editing ends; an empty text means nothing is to
// be committed (Escape, an emptied box, a cancel request).
struct InPlaceEditResult {
    int32_t nodeId = -1;
    int column = -1;
    QString text;
};

// The edit box over one cell of a tree view, reused for every edit. The view decides where it
// goes and commits the text (the commit function); the box reports Enter, focus
// loss (commit) and Escape (cancel), grows with its text and keeps every key to itself while
// it has the focus, so no shortcut of the tree or of the main window acts during an edit.
class InPlaceEdit : public QObject {
    Q_OBJECT
public:
    // Takes the text when an edit ends; false refuses it and the edit goes on.
    using Commit = std::function<bool(const InPlaceEditResult& result)>;
    InPlaceEdit(QAbstractScrollArea& control, Commit commit);
    ~InPlaceEdit() override;

    bool IsOpen() const { return m_box != nullptr; }
    // The box window (a QLineEdit or a QPlainTextEdit), null between edits.
    QWidget* Box() const { return m_box; }
    bool IsMultiline() const;
    const InPlaceEditResult& Result() const { return m_result; }

    // Makes the hidden box over `rect` (in `parent`'s coordinates) for the cell.
    void Create(int32_t nodeId, int column, bool multiline, const QRect& rect, QWidget* parent);
    // Takes a created box away again without ending an edit (a vetoed start).
    void Discard();
    // Fills, shows, sizes and focuses the box, with the whole text selected.
    void Start(const QString& text, const QFont& font);
    // Ends the edit: hands the text (none when cancelling) to the control, which either takes
    // it (the box goes) or refuses it (the box stays, focused, with the same text).
    void End(bool cancel);
    // Ends without committing and without touching the focus: the control is going away.
    void Abandon();

    // The box's text; the lines of a multi-line box are separated by CR LF. An untouched box
    // gives back exactly the text it was filled with.
    QString Text() const;
    // Width from the widest line, height from the number of lines (after every change).
    void Resize();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DestroyBox(bool moveFocus);

    QAbstractScrollArea& m_control;
    Commit m_commit;
    QPointer<QWidget> m_box;
    QPointer<QLineEdit> m_line;
    QPointer<QPlainTextEdit> m_multi;
    InPlaceEditResult m_result;
    // An end is in progress or no box is open: focus changes caused by ending (a message box,
    // the box's own destruction) must not end it a second time.
    bool m_ending = true;
    QString m_originalText; // as the cell gave it
    QString m_shownText;    // as the box held it right after filling
};
