#include "app/AboutBox.h"

#include "app/CommandIcons.h"
#include "app/ShellText.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <libxml/xmlversion.h>
#include <libxslt/xsltconfig.h>
#include <libxslt/xsltutils.h>

AboutBox::AboutBox(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("About %1").arg(ShellText::Get(ShellStringId::ProgramName)));
    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap::fromImage(CommandIcons::ProgramImage(64)));
    picture->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(Text(), this);
    text->setTextFormat(Qt::RichText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

void AboutBox::Show(QWidget* owner)
{
    AboutBox box(owner);
    box.exec();
}

QString AboutBox::Text()
{
    return QStringLiteral("<h3>%1</h3>"
                          "<p>Version %2</p>"
                          "<p>An editor for XML files that shows every document as a tree of "
                          "names and values: elements, attributes, text and comments.</p>"
                          "<p>Built on:<br>Qt %3<br>libxml2 %4<br>libxslt %5</p>")
        .arg(ShellText::Get(ShellStringId::ProgramName).toHtmlEscaped(),
             QStringLiteral(TOVI_VERSION), QString::fromLatin1(qVersion()),
             QStringLiteral(LIBXML_DOTTED_VERSION), QString::fromLatin1(xsltEngineVersion));
}
