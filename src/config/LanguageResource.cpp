#include "config/LanguageResource.h"

#include "config/DecimalText.h"
#include "config/LoadText.h"

namespace {

const QString kLanguages = QStringLiteral("Languages");
const QString kLanguage = QStringLiteral("Language");
const QString kId = QStringLiteral("ID");
const QString kData = QStringLiteral("Data");

// The resource whose lookup LoadText currently uses, so only that one uninstalls it.
const LanguageResource* g_textSource = nullptr;

int Number(const DomElement& element, const QString& name)
{
    return DecimalText::ToInt(element.AttributeOr(name));
}

quint32 Bits(const DomElement& element, const QString& name)
{
    return DecimalText::ToBits(element.AttributeOr(name));
}

} // namespace

LanguageResource::LanguageResource() = default;

LanguageResource::~LanguageResource()
{
    if (g_textSource == this) {
        SetTextOverride({});
        g_textSource = nullptr;
    }
}

void LanguageResource::Clear()
{
    strings_.clear();
    selected_ = DomElement();
    currentId_.clear();
}

bool LanguageResource::Load(const QString& path)
{
    Clear();
    languages_.clear();
    document_ = std::make_unique<DomDocument>();
    if (!document_->Load(path)) {
        document_.reset();
        return false;
    }
    return ReadLanguages();
}

bool LanguageResource::LoadXml(const QByteArray& data)
{
    Clear();
    languages_.clear();
    document_ = std::make_unique<DomDocument>();
    if (!document_->LoadXml(data)) {
        document_.reset();
        return false;
    }
    return ReadLanguages();
}

bool LanguageResource::ReadLanguages()
{
    const QList<DomElement> languages = document_->SelectNodes(kLanguages + u'/' + kLanguage);
    for (const DomElement& language : languages)
        languages_.append(
            {language.AttributeOr(kId), language.AttributeOr(QStringLiteral("Name"))});
    return true;
}

bool LanguageResource::SelectLanguage(const QString& id)
{
    Clear();
    currentId_ = id;
    if (!document_)
        return false;
    selected_ = document_->SelectSingleNode(kLanguages + u'/' + kLanguage, kId, id);
    if (!selected_)
        return false;
    const DomElement strings = selected_.SelectSingleNode(QStringLiteral("Strings"));
    for (const DomElement& entry : strings.ChildElements())
        strings_.insert(Number(entry, kId), ReplaceEscapes(entry.AttributeOr(kData)));
    return true;
}

std::optional<QString> LanguageResource::FindString(int id) const
{
    const auto it = strings_.constFind(id);
    if (it == strings_.constEnd())
        return std::nullopt;
    return *it;
}

void LanguageResource::InstallAsTextSource()
{
    g_textSource = this;
    SetTextOverride([this](int id, QString& text) {
        const std::optional<QString> found = FindString(id);
        if (!found)
            return false;
        text = *found;
        return true;
    });
}

QString LanguageResource::ReplaceEscapes(QString text)
{
    text.replace(QStringLiteral("\\r"), QStringLiteral("\r"));
    text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
    return text;
}

void LanguageResource::AddMenuItems(const DomElement& parent,
                                    std::vector<MenuDescription::Item>& items)
{
    for (const DomElement& element : parent.SelectNodes(QStringLiteral("MenuItem"))) {
        MenuDescription::Item item;
        item.id = Number(element, kId);
        item.text = element.AttributeOr(kData);
        item.text.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
        item.grayed = Number(element, QStringLiteral("Grayed")) != 0;
        if (Number(element, QStringLiteral("Popup")) != 0) {
            item.kind = MenuDescription::Item::Kind::Popup;
            AddMenuItems(element, item.children);
        } else if (item.id == -1 && item.text == u"-") {
            item.kind = MenuDescription::Item::Kind::Separator;
        }
        items.push_back(std::move(item));
    }
}

std::optional<MenuDescription> LanguageResource::BuildMenu(int menuId) const
{
    if (!selected_)
        return std::nullopt;
    const DomElement menu = selected_.SelectSingleNode(QStringLiteral("Menus/Menu"), kId, menuId);
    if (!menu)
        return std::nullopt;
    MenuDescription description;
    description.id = menuId;
    AddMenuItems(menu, description.items);
    return description;
}

std::optional<DialogDescription> LanguageResource::BuildDialog(int dialogId) const
{
    if (!selected_)
        return std::nullopt;
    const DomElement dialog =
        selected_.SelectSingleNode(QStringLiteral("Dialogs/Dialog"), kId, dialogId);
    if (!dialog)
        return std::nullopt;
    DialogDescription description;
    description.id = dialogId;
    description.style = Bits(dialog, QStringLiteral("Style"));
    description.extStyle = Bits(dialog, QStringLiteral("ExtStyle"));
    description.x = Number(dialog, QStringLiteral("X"));
    description.y = Number(dialog, QStringLiteral("Y"));
    description.width = Number(dialog, QStringLiteral("Width"));
    description.height = Number(dialog, QStringLiteral("Height"));
    description.caption = dialog.AttributeOr(QStringLiteral("Caption"));
    if (description.style & DialogDescription::kSetFont) {
        if (const DomElement font = dialog.SelectSingleNode(QStringLiteral("Font"))) {
            description.fontName = font.AttributeOr(QStringLiteral("Name"));
            description.fontSize =
                font.Attribute(QStringLiteral("Size")) ? Number(font, QStringLiteral("Size")) : 0;
            description.fontWeight = font.Attribute(QStringLiteral("Weight"))
                                         ? Number(font, QStringLiteral("Weight"))
                                         : 400;
        }
    }
    for (const DomElement& element : dialog.SelectNodes(QStringLiteral("Control"))) {
        DialogDescription::Control control;
        control.id = quint16(Number(element, kId));
        control.style = Bits(element, QStringLiteral("Style"));
        control.extStyle = Bits(element, QStringLiteral("ExtStyle"));
        control.systemClass = Number(element, QStringLiteral("SystemClass"));
        if (control.systemClass == 0)
            control.className = element.AttributeOr(QStringLiteral("ClassName"));
        control.x = Number(element, QStringLiteral("X"));
        control.y = Number(element, QStringLiteral("Y"));
        control.width = Number(element, QStringLiteral("Width"));
        control.height = Number(element, QStringLiteral("Height"));
        control.captionId = Number(element, QStringLiteral("CaptionID"));
        if (control.captionId == 0)
            control.caption = ReplaceEscapes(element.AttributeOr(QStringLiteral("Caption")));
        description.controls.push_back(std::move(control));
    }
    return description;
}
