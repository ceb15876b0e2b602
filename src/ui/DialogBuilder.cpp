#include "ui/DialogBuilder.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>

namespace {

const char* const kControlIdProperty = "toviControlId";

// Window and control style bits of dialog templates.
constexpr quint32 kVisible = 0x10000000;
constexpr quint32 kDisabled = 0x08000000;
constexpr quint32 kTabStop = 0x00010000;
constexpr quint32 kGroup = 0x00020000;
constexpr quint32 kThickFrame = 0x00040000;
constexpr quint32 kButtonTypeMask = 0x0F;
constexpr quint32 kStaticTypeMask = 0x1F;
constexpr quint32 kStaticNoPrefix = 0x80;
constexpr quint32 kEditMultiline = 0x0004;
constexpr quint32 kEditPassword = 0x0020;
constexpr quint32 kEditReadOnly = 0x0800;
constexpr quint32 kComboTypeMask = 0x03;
constexpr quint32 kListMultipleSel = 0x0008;
constexpr quint32 kListExtendedSel = 0x0800;

enum ButtonType : quint32 {
    PushButton = 0,
    DefPushButton = 1,
    CheckBox = 2,
    AutoCheckBox = 3,
    RadioButton = 4,
    ThreeState = 5,
    AutoThreeState = 6,
    GroupBox = 7,
    AutoRadioButton = 9,
};

int MulDiv(int value, int numerator, int denominator)
{
    const qint64 product = qint64(value) * numerator;
    // Rounds half away from zero, as the dialog manager does.
    return int((product >= 0 ? product + denominator / 2 : product - denominator / 2) /
               denominator);
}

int ClassOf(const DialogDescription::Control& control)
{
    if (control.systemClass != 0)
        return control.systemClass;
    const QString name = control.className.toLower();
    if (name == u"button")
        return DialogDescription::kButton;
    if (name == u"edit")
        return DialogDescription::kEdit;
    if (name == u"static")
        return DialogDescription::kStatic;
    if (name == u"listbox")
        return DialogDescription::kListBox;
    if (name == u"scrollbar")
        return DialogDescription::kScrollBar;
    if (name == u"combobox")
        return DialogDescription::kComboBox;
    return 0;
}

bool IsShellDialogFont(const QString& name)
{
    return name.isEmpty() || name.compare(u"MS Shell Dlg", Qt::CaseInsensitive) == 0 ||
           name.compare(u"MS Shell Dlg 2", Qt::CaseInsensitive) == 0;
}

QWidget* CreateButton(const DialogDescription::Control& control, QWidget* parent)
{
    switch (control.style & kButtonTypeMask) {
    case CheckBox:
    case AutoCheckBox:
        return new QCheckBox(control.caption, parent);
    case ThreeState:
    case AutoThreeState: {
        auto* box = new QCheckBox(control.caption, parent);
        box->setTristate(true);
        return box;
    }
    case RadioButton:
    case AutoRadioButton:
        return new QRadioButton(control.caption, parent);
    case GroupBox:
        return new QGroupBox(control.caption, parent);
    case DefPushButton: {
        auto* button = new QPushButton(control.caption, parent);
        button->setDefault(true);
        return button;
    }
    default: {
        auto* button = new QPushButton(control.caption, parent);
        button->setAutoDefault(false);
        return button;
    }
    }
}

QWidget* CreateStatic(const DialogDescription::Control& control, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(control.caption);
    switch (control.style & kStaticTypeMask) {
    case 1:
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        break;
    case 2:
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        label->setWordWrap(true);
        break;
    case 0:
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        break;
    default:
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        break;
    }
    return label;
}

QWidget* CreateEdit(const DialogDescription::Control& control, QWidget* parent)
{
    if (control.style & kEditMultiline) {
        auto* edit = new QPlainTextEdit(control.caption, parent);
        edit->setReadOnly(control.style & kEditReadOnly);
        return edit;
    }
    auto* edit = new QLineEdit(control.caption, parent);
    edit->setReadOnly(control.style & kEditReadOnly);
    if (control.style & kEditPassword)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QWidget* CreateCombo(const DialogDescription::Control& control, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    // Simple (1) and drop-down (2) combo boxes have an edit field; a drop-down list (3) not.
    const quint32 type = control.style & kComboTypeMask;
    combo->setEditable(type == 1 || type == 2);
    // The dialog's code decides what enters the list, not the Enter key.
    combo->setInsertPolicy(QComboBox::NoInsert);
    if (combo->isEditable() && !control.caption.isEmpty())
        combo->setEditText(control.caption);
    return combo;
}

QWidget* CreateList(const DialogDescription::Control& control, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    if (control.style & kListExtendedSel)
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    else if (control.style & kListMultipleSel)
        list->setSelectionMode(QAbstractItemView::MultiSelection);
    return list;
}

} // namespace

QFont DialogBuilder::DialogFont(const DialogDescription& description)
{
    QFont font = QApplication::font();
    // The shell dialog face stands for the desktop's dialog font.
    if (!IsShellDialogFont(description.fontName))
        font.setFamily(description.fontName);
    if (description.fontSize > 0)
        font.setPointSize(description.fontSize);
    if (description.fontWeight > 0)
        font.setWeight(QFont::Weight(std::clamp(description.fontWeight, 1, 1000)));
    return font;
}

QSize DialogBuilder::BaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize(std::max(1, (alphabet / 26 + 1) / 2), std::max(1, metrics.height()));
}

QRect DialogBuilder::ToPixels(const QRect& units, const QSize& base)
{
    return QRect(MulDiv(units.x(), base.width(), 4), MulDiv(units.y(), base.height(), 8),
                 MulDiv(units.width(), base.width(), 4), MulDiv(units.height(), base.height(), 8));
}

QWidget* DialogBuilder::CreateControl(const DialogDescription::Control& control, QWidget* parent)
{
    switch (ClassOf(control)) {
    case DialogDescription::kButton:
        return CreateButton(control, parent);
    case DialogDescription::kEdit:
        return CreateEdit(control, parent);
    case DialogDescription::kStatic:
        return CreateStatic(control, parent);
    case DialogDescription::kListBox:
        return CreateList(control, parent);
    case DialogDescription::kScrollBar:
        return new QScrollBar((control.style & 1) ? Qt::Vertical : Qt::Horizontal, parent);
    case DialogDescription::kComboBox:
        return CreateCombo(control, parent);
    default:
        // A class this toolkit does not have: an empty area keeps the place and the ID.
        return new QWidget(parent);
    }
}

void DialogBuilder::Populate(QDialog* dialog, const DialogDescription& description)
{
    const QFont font = DialogFont(description);
    dialog->setFont(font);
    dialog->setWindowTitle(description.caption);
    const QSize base = BaseUnits(font);
    const QRect client = ToPixels(QRect(0, 0, description.width, description.height), base);
    if (description.style & kThickFrame)
        dialog->resize(client.size());
    else
        dialog->setFixedSize(client.size());

    QList<QWidget*> focusChain;
    QList<QLabel*> pendingBuddies;
    QButtonGroup* radioGroup = nullptr;
    for (const DialogDescription::Control& control : description.controls) {
        QWidget* widget = CreateControl(control, dialog);
        widget->setProperty(kControlIdProperty, int(control.id));
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        if (control.captionId != 0)
            widget->setProperty("toviCaptionId", control.captionId);

        QRect geometry = ToPixels(QRect(control.x, control.y, control.width, control.height), base);
        // A drop-down combo box's height is that of its open list; the box itself keeps its own.
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            geometry.setHeight(combo->sizeHint().height());
        widget->setGeometry(geometry);
        widget->setVisible(control.style & kVisible);
        widget->setEnabled(!(control.style & kDisabled));

        if (control.style & kGroup)
            radioGroup = nullptr;
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            radio->setAutoExclusive(false);
            if ((control.style & kButtonTypeMask) == AutoRadioButton) {
                if (!radioGroup)
                    radioGroup = new QButtonGroup(dialog);
                radioGroup->addButton(radio);
            }
        }

        if (widget->focusPolicy() != Qt::NoFocus) {
            if (!(control.style & kTabStop))
                widget->setFocusPolicy(Qt::ClickFocus);
            focusChain.append(widget);
            // A label's mnemonic moves the focus to the control after it.
            for (QLabel* label : std::as_const(pendingBuddies))
                label->setBuddy(widget);
            pendingBuddies.clear();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (!(control.style & kStaticNoPrefix) && control.caption.contains(u'&'))
                pendingBuddies.append(label);
        }
    }
    for (qsizetype i = 1; i < focusChain.size(); ++i)
        QWidget::setTabOrder(focusChain[i - 1], focusChain[i]);
}

QDialog* DialogBuilder::Build(const DialogDescription& description, QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    Populate(dialog, description);
    return dialog;
}

QWidget* DialogBuilder::FindControl(const QWidget* dialog, quint16 id)
{
    if (!dialog)
        return nullptr;
    const QList<QWidget*> children = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (ControlId(child) == int(id))
            return child;
    }
    return nullptr;
}

int DialogBuilder::ControlId(const QWidget* control)
{
    if (!control)
        return -1;
    const QVariant id = control->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : -1;
}
