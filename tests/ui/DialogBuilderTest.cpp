#include "ui/DialogBuilder.h"
#include "config/BuiltinResources.h"
#include "config/LanguageResource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// A translated Find dialog with another layout and a few controls the built-in one lacks.
const QByteArray kTranslated = R"(<Languages><Language ID="de" Name="Deutsch"><Dialogs>
  <Dialog ID="214" Style="-2134376256" Width="240" Height="150" Caption="Suchen">
    <Font Name="MS Shell Dlg" Size="12" Weight="700"/>
    <Control ID="65535" SystemClass="130" Style="1342177280" X="5" Y="5" Width="40" Height="8" Caption="&amp;Was:"/>
    <Control ID="1009" SystemClass="133" Style="1344471106" X="50" Y="4" Width="180" Height="90"/>
    <Control ID="1010" SystemClass="128" Style="1342373894" X="5" Y="30" Width="90" Height="10" Caption="&amp;Alles"/>
    <Control ID="1012" SystemClass="128" Style="1342242819" X="5" Y="42" Width="90" Height="10" Caption="Knoten\tnamen"/>
    <Control ID="1013" SystemClass="0" ClassName="BUTTON" Style="1342242819" X="5" Y="54" Width="90" Height="10" Caption="Werte"/>
    <Control ID="1014" SystemClass="128" Style="1476460547" X="5" Y="66" Width="90" Height="10" Caption="Gesperrt"/>
    <Control ID="1015" SystemClass="128" Style="1073807363" X="5" Y="78" Width="90" Height="10" Caption="Versteckt"/>
    <Control ID="1016" SystemClass="128" Style="1342242819" X="5" Y="90" Width="90" Height="10" Caption="Kommentare"/>
    <Control ID="1017" SystemClass="128" Style="1342242819" X="120" Y="30" Width="90" Height="10" Caption="Gro&#223;"/>
    <Control ID="1018" SystemClass="128" Style="1342242819" X="120" Y="42" Width="90" Height="10" Caption="Wort"/>
    <Control ID="1019" SystemClass="128" Style="1342242819" X="120" Y="54" Width="90" Height="10" Caption="Auf"/>
    <Control ID="1020" SystemClass="128" Style="1342373889" X="120" Y="100" Width="90" Height="14" Caption="&amp;Weiter"/>
    <Control ID="2" SystemClass="128" Style="1342242816" X="120" Y="120" Width="90" Height="14" Caption="Abbrechen"/>
    <Control ID="3000" SystemClass="129" Style="1342242820" X="5" Y="104" Width="100" Height="30" Caption="a\r\nb"/>
    <Control ID="3001" SystemClass="129" Style="1342242848" X="5" Y="136" Width="50" Height="12"/>
    <Control ID="3002" SystemClass="131" Style="1342179328" X="60" Y="136" Width="50" Height="12"/>
    <Control ID="3003" SystemClass="132" Style="1342177281" X="230" Y="20" Width="8" Height="60"/>
    <Control ID="3004" SystemClass="0" ClassName="SysListView32" Style="1342177280" X="1" Y="1" Width="2" Height="2"/>
    <Control ID="3010" SystemClass="128" Style="1342308361" X="120" Y="70" Width="40" Height="10" Caption="r1"/>
    <Control ID="3011" SystemClass="128" Style="1342177289" X="160" Y="70" Width="40" Height="10" Caption="r2"/>
    <Control ID="3012" SystemClass="128" Style="1342308361" X="120" Y="82" Width="40" Height="10" Caption="r3"/>
  </Dialog>
</Dialogs></Language></Languages>)";

std::optional<DialogDescription> Translated(LanguageResource& resource)
{
    if (!resource.LoadXml(kTranslated) || !resource.SelectLanguage(u"de"_s))
        return std::nullopt;
    return BuiltinResources::Dialog(&resource, 214);
}

} // namespace

TEST(DialogBuilderTest, DialogUnitsFollowTheDialogFont)
{
    DialogDescription small;
    small.fontSize = 8;
    DialogDescription large;
    large.fontSize = 16;
    const QSize smallBase = DialogBuilder::BaseUnits(DialogBuilder::DialogFont(small));
    const QSize largeBase = DialogBuilder::BaseUnits(DialogBuilder::DialogFont(large));
    EXPECT_GT(largeBase.width(), smallBase.width());
    EXPECT_GT(largeBase.height(), smallBase.height());
    EXPECT_EQ(DialogBuilder::ToPixels(QRect(4, 8, 40, 16), QSize(7, 15)), QRect(7, 15, 70, 30));
    EXPECT_EQ(DialogBuilder::ToPixels(QRect(1, 1, 2, 3), QSize(6, 12)), QRect(2, 2, 3, 5));
}

TEST(DialogBuilderTest, BuiltInFindDialogHasEveryControlTheDialogUses)
{
    const std::optional<DialogDescription> description = BuiltinResources::Dialog(214);
    ASSERT_TRUE(description.has_value());
    std::unique_ptr<QDialog> dialog(DialogBuilder::Build(*description, nullptr));
    EXPECT_EQ(dialog->windowTitle(), u"Find");

    auto* text = DialogBuilder::FindControlAs<QComboBox>(dialog.get(), 1009);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isEditable());
    auto* everywhere = DialogBuilder::FindControlAs<QCheckBox>(dialog.get(), 1010);
    ASSERT_NE(everywhere, nullptr);
    EXPECT_TRUE(everywhere->isTristate());
    for (quint16 id : {1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019}) {
        auto* box = DialogBuilder::FindControlAs<QCheckBox>(dialog.get(), id);
        ASSERT_NE(box, nullptr) << id;
        EXPECT_FALSE(box->isTristate()) << id;
    }
    auto* findNext = DialogBuilder::FindControlAs<QPushButton>(dialog.get(), 1020);
    auto* cancel = DialogBuilder::FindControlAs<QPushButton>(dialog.get(), 2);
    ASSERT_TRUE(findNext && cancel);
    EXPECT_TRUE(findNext->isDefault());
    EXPECT_FALSE(cancel->isDefault());
    EXPECT_EQ(cancel->text(), u"Cancel");
    EXPECT_EQ(DialogBuilder::FindControlAs<QGroupBox>(dialog.get(), 65535), nullptr); // label first
    EXPECT_NE(DialogBuilder::FindControlAs<QLabel>(dialog.get(), 65535), nullptr);
    EXPECT_EQ(DialogBuilder::ControlId(findNext), 1020);
    EXPECT_EQ(DialogBuilder::ControlId(dialog.get()), -1);

    const QSize base = DialogBuilder::BaseUnits(dialog->font());
    EXPECT_EQ(findNext->geometry(), DialogBuilder::ToPixels(QRect(113, 84, 100, 14), base));
    EXPECT_EQ(dialog->size(), DialogBuilder::ToPixels(QRect(0, 0, 220, 136), base).size());
    EXPECT_NE(DialogBuilder::FindControlAs<QPushButton>(dialog.get(), 1021), nullptr); // Find all
    // Tab order is the order of the description.
    QWidget* next = text->nextInFocusChain();
    while (next && text->isAncestorOf(next))
        next = next->nextInFocusChain();
    EXPECT_EQ(next, everywhere);
}

TEST(DialogBuilderTest, TranslatedDescriptionDrivesTheControlsByTheirIds)
{
    LanguageResource resource;
    const std::optional<DialogDescription> description = Translated(resource);
    ASSERT_TRUE(description.has_value());
    QDialog dialog;
    DialogBuilder::Populate(&dialog, *description);
    EXPECT_EQ(dialog.windowTitle(), u"Suchen");
    EXPECT_EQ(dialog.font().pointSize(), 12);
    EXPECT_EQ(dialog.font().weight(), QFont::Bold);

    auto* label = DialogBuilder::FindControlAs<QLabel>(&dialog, 65535);
    auto* text = DialogBuilder::FindControlAs<QComboBox>(&dialog, 1009);
    ASSERT_TRUE(label && text);
    EXPECT_EQ(label->buddy(), text);
    EXPECT_EQ(DialogBuilder::FindControlAs<QCheckBox>(&dialog, 1012)->text(), u"Knoten\tnamen");
    EXPECT_NE(DialogBuilder::FindControlAs<QCheckBox>(&dialog, 1013), nullptr); // by class name
    EXPECT_FALSE(DialogBuilder::FindControl(&dialog, 1014)->isEnabled());
    EXPECT_TRUE(DialogBuilder::FindControl(&dialog, 1015)->isHidden());
    // The controls sit where the translation put them, not where the built-in dialog has them.
    const QSize base = DialogBuilder::BaseUnits(dialog.font());
    auto* findNext = DialogBuilder::FindControlAs<QPushButton>(&dialog, 1020);
    ASSERT_NE(findNext, nullptr);
    EXPECT_EQ(findNext->geometry(), DialogBuilder::ToPixels(QRect(120, 100, 90, 14), base));
    EXPECT_EQ(text->height(), text->sizeHint().height());

    auto* multi = DialogBuilder::FindControlAs<QPlainTextEdit>(&dialog, 3000);
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->toPlainText(), u"a\nb");
    auto* password = DialogBuilder::FindControlAs<QLineEdit>(&dialog, 3001);
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_NE(DialogBuilder::FindControlAs<QListWidget>(&dialog, 3002), nullptr);
    auto* scroll = DialogBuilder::FindControlAs<QScrollBar>(&dialog, 3003);
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->orientation(), Qt::Vertical);
    EXPECT_NE(DialogBuilder::FindControl(&dialog, 3004), nullptr);
    // Nothing of the built-in layout is left.
    EXPECT_EQ(dialog.findChildren<QGroupBox*>().size(), 0);
}

TEST(DialogBuilderTest, ButtonsReachTheDialogsCode)
{
    LanguageResource resource;
    const std::optional<DialogDescription> description = Translated(resource);
    ASSERT_TRUE(description.has_value());
    QDialog dialog;
    DialogBuilder::Populate(&dialog, *description);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    auto* findNext = DialogBuilder::FindControlAs<QPushButton>(&dialog, 1020);
    auto* text = DialogBuilder::FindControlAs<QComboBox>(&dialog, 1009);
    QSignalSpy clicked(findNext, &QPushButton::clicked);
    QTest::mouseClick(findNext, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);

    // Enter in the text field presses the default button and adds nothing to the list.
    text->setFocus();
    QTest::keyClicks(text, u"abc"_s);
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(text->count(), 0);
    EXPECT_EQ(text->currentText(), u"abc");

    auto* names = DialogBuilder::FindControlAs<QCheckBox>(&dialog, 1012);
    QTest::mouseClick(names, Qt::LeftButton, {}, QPoint(5, names->height() / 2));
    EXPECT_TRUE(names->isChecked());

    // Radio buttons are exclusive within each group the description starts.
    auto* r1 = DialogBuilder::FindControlAs<QRadioButton>(&dialog, 3010);
    auto* r2 = DialogBuilder::FindControlAs<QRadioButton>(&dialog, 3011);
    auto* r3 = DialogBuilder::FindControlAs<QRadioButton>(&dialog, 3012);
    ASSERT_TRUE(r1 && r2 && r3);
    r1->click();
    r2->click();
    r3->click();
    EXPECT_FALSE(r1->isChecked());
    EXPECT_TRUE(r2->isChecked());
    EXPECT_TRUE(r3->isChecked());
}
