#include "view/InPlaceEdit.h"

#include <QAbstractScrollArea>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <limits>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A one-pixel border in the text colour on the background of the tree's cells, as the box has
// on every platform style and theme.
const QString kLineStyle = QStringLiteral(
    "QLineEdit { border: 1px solid palette(text); background: palette(base); padding: 0px; }");
const QString kMultiStyle = QStringLiteral(
    "QPlainTextEdit { border: 1px solid palette(text); background: palette(base); }");

} // namespace

InPlaceEdit::InPlaceEdit(QAbstractScrollArea& control, Commit commit)
    : m_control(control), m_commit(std::move(commit))
{
}

InPlaceEdit::~InPlaceEdit()
{
    if (m_box)
        DestroyBox(false);
}

bool InPlaceEdit::IsMultiline() const
{
    return !m_multi.isNull();
}

void InPlaceEdit::Create(int32_t nodeId, int column, bool multiline, const QRect& rect,
                         QWidget* parent)
{
    m_result = InPlaceEditResult{nodeId, column, QString()};
    QWidget* box = nullptr;
    if (multiline) {
        auto* multi = new QPlainTextEdit(parent);
        multi->setStyleSheet(kMultiStyle);
        multi->setLineWrapMode(QPlainTextEdit::NoWrap);
        multi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        multi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        multi->document()->setDocumentMargin(1);
        connect(multi, &QPlainTextEdit::textChanged, this, &InPlaceEdit::Resize);
        m_multi = multi;
        box = multi;
    } else {
        auto* line = new QLineEdit(parent);
        line->setStyleSheet(kLineStyle);
        // The default limit of 32767 characters would cut a longer name on commit.
        line->setMaxLength(std::numeric_limits<int>::max());
        connect(line, &QLineEdit::textChanged, this, &InPlaceEdit::Resize);
        m_line = line;
        box = line;
    }
    box->setObjectName(QStringLiteral("InPlaceEdit"));
    box->hide();
    box->setGeometry(rect);
    box->installEventFilter(this);
    m_box = box;
}

void InPlaceEdit::Discard()
{
    if (m_box)
        DestroyBox(false);
    m_ending = true;
}

void InPlaceEdit::Start(const QString& text, const QFont& font)
{
    if (!m_box)
        return;
    m_ending = false;
    m_originalText = text;
    m_box->setFont(font);
    if (m_multi) {
        // The field breaks lines at LF; the cell holds CR LF.
        QString shown = text;
        shown.replace(kCrLf, QStringLiteral("\n"));
        m_multi->setPlainText(shown);
        m_shownText = m_multi->document()->toRawText();
    } else {
        m_line->setText(text);
        m_shownText = m_line->text();
    }
    m_box->show();
    m_box->raise();
    Resize();
    m_box->setFocus(Qt::OtherFocusReason);
    if (m_multi) {
        m_multi->selectAll();
        m_multi->ensureCursorVisible();
    } else {
        m_line->selectAll();
    }
}

QString InPlaceEdit::Text() const
{
    if (m_line)
        return m_line->text() == m_shownText ? m_originalText : m_line->text();
    if (!m_multi)
        return QString();
    // The raw text keeps every character as typed (plain text would turn no-break spaces
    // into spaces); only the line separators become CR LF.
    QString raw = m_multi->document()->toRawText();
    if (raw == m_shownText)
        return m_originalText;
    raw.replace(QChar::ParagraphSeparator, kCrLf);
    raw.replace(QChar::LineSeparator, kCrLf);
    return raw;
}

void InPlaceEdit::Resize()
{
    if (!m_box)
        return;
    const QFontMetrics metrics(m_box->font());
    const int w = metrics.horizontalAdvance(u'W');
    const int h = metrics.height();

    int widest = 0;
    int lines = 1;
    if (m_multi) {
        lines = 0;
        for (QTextBlock block = m_multi->document()->begin(); block.isValid();
             block = block.next()) {
            ++lines;
            widest = std::max(widest, metrics.horizontalAdvance(block.text()));
        }
        lines = std::max(lines, 1);
    } else {
        widest = metrics.horizontalAdvance(m_line->text());
    }

    int width = std::max(5 * w, widest + w);
    const QWidget* client = m_control.viewport();
    const int clientRight = client->mapToGlobal(QPoint(client->width(), 0)).x();
    const int boxLeft = m_box->mapToGlobal(QPoint(0, 0)).x();
    width = std::max(0, std::min(width, clientRight - boxLeft - 3));
    m_box->resize(width, h * lines + 4);
}

void InPlaceEdit::End(bool cancel)
{
    if (m_ending || !m_box)
        return;
    m_ending = true;
    m_result.text = cancel ? QString() : Text();
    const InPlaceEditResult result = m_result;
    if (m_commit(result)) {
        if (m_box)
            DestroyBox(true);
        return;
    }
    // Refused: the user goes on editing the same text.
    if (m_box) {
        m_box->setFocus(Qt::OtherFocusReason);
        m_ending = false;
    }
}

void InPlaceEdit::Abandon()
{
    m_ending = true;
    if (m_box)
        DestroyBox(false);
}

void InPlaceEdit::DestroyBox(bool moveFocus)
{
    QWidget* box = m_box;
    m_box = nullptr;
    m_line = nullptr;
    m_multi = nullptr;
    m_result = InPlaceEditResult{};
    m_originalText.clear();
    m_shownText.clear();
    box->removeEventFilter(this);
    disconnect(box, nullptr, this, nullptr);
    // Enter and Escape leave the focus with the tree rather than with whatever widget
    // comes next; after a focus loss it stays where it went.
    if (moveFocus && box->hasFocus())
        m_control.setFocus(Qt::OtherFocusReason);
    box->hide();
    // Ending runs inside the box's own event handling, so it must outlive this call.
    box->deleteLater();
}

bool InPlaceEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_box)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Every key belongs to the box while it has the focus: Del, Ctrl+C, Ctrl+V, Ctrl+X,
        // Ctrl+Z edit its text and no accelerator acts. Alt combinations stay with the menus.
        auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & Qt::AltModifier))
            key->accept();
        return false;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (!(key->modifiers() & Qt::ControlModifier)) {
                End(false);
            } else if (m_multi) {
                QTextCursor cursor = m_multi->textCursor();
                cursor.insertText(QStringLiteral("\n"));
                m_multi->setTextCursor(cursor);
                m_multi->ensureCursorVisible();
            }
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            End(true);
            return true;
        }
        return false;
    }
    case QEvent::FocusOut:
        // A popup (the box's own context menu, a menu of the main window) keeps the edit.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            End(false);
        return false;
    default:
        return false;
    }
}
