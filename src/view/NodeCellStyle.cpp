#include "view/NodeCellStyle.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/XmlNode.h"
#include "document/XmlWhitespace.h"
#include "view/NodeIcons.h"
#include "view/VisibleRows.h"

#include <algorithm>
#include <cmath>

namespace {

// The hues of element and attribute names; their lightness follows the theme.
const QColor kElementNameHue(0x80, 0x40, 0x00);
const QColor kAttributeNameHue(0x00, 0x80, 0x00);
// What text on the tree's background must keep against it (the common accessibility rule).
constexpr double kMinimumContrast = 4.5;

double RelativeLuminance(const QColor& colour)
{
    auto channel = [](double value) {
        return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

// `wanted` as it is where it reads well on `background`, else made darker (on a light
// background) or lighter (on a dark one) in its own hue until it does.
QColor Readable(QColor wanted, const QColor& background)
{
    const bool lightBackground = RelativeLuminance(background) > 0.18;
    for (int step = 0; step < 64; ++step) {
        if (NodeCellStyle::Contrast(wanted, background) >= kMinimumContrast)
            break;
        const float h = wanted.hslHueF();
        const float s = wanted.hslSaturationF();
        const float l = wanted.lightnessF();
        wanted =
            QColor::fromHslF(h, s, std::clamp(l + (lightBackground ? -0.02f : 0.02f), 0.f, 1.f));
    }
    return wanted;
}

// A text of nothing but whitespace: a file keeps such a text only where it carries meaning,
// and shown as it is, its row would look empty.
bool IsWhitespaceText(const XmlNode& node)
{
    return node.Kind() == XmlNodeKind::Text && !node.ValueView().isEmpty() &&
           IsXmlWhitespace(node.ValueView());
}

} // namespace

QString NodeCellStyle::Text(const XmlNode& node, int column, bool showPrefixes)
{
    if (column == 0) {
        if (showPrefixes && !node.Prefix().isEmpty())
            return node.Prefix() + u':' + node.LocalName();
        return node.LocalName();
    }
    if (column != 1)
        return QString();
    return IsWhitespaceText(node) ? VisibleWhitespace(node.ValueView()) : node.Value();
}

int NodeCellStyle::Icon(const XmlNode& node, bool expanded)
{
    switch (node.Kind()) {
    case XmlNodeKind::Element:
        return expanded ? NodeIcons::ElementOpen : NodeIcons::ElementClosed;
    case XmlNodeKind::Attribute:
        return NodeIcons::Attribute;
    case XmlNodeKind::Text:
        return NodeIcons::Text;
    case XmlNodeKind::Comment:
        return NodeIcons::Comment;
    case XmlNodeKind::ProcessingInstruction:
        return NodeIcons::ProcessingInstruction;
    default:
        return -1;
    }
}

bool NodeCellStyle::Italic(const XmlNode& node, int column)
{
    switch (node.Kind()) {
    case XmlNodeKind::Comment:
    case XmlNodeKind::ProcessingInstruction:
        return column == 0 || column == 1;
    case XmlNodeKind::Text:
        return column == 0;
    default:
        return false;
    }
}

QColor NodeCellStyle::TextColour(const XmlNode& node, int column, const QColor& text,
                                 const QColor& background)
{
    const bool name = column == 0;
    // Secondary rows (names of text, comments, instructions, kept whitespace) are the text
    // colour halfway to the background, as far as contrast allows.
    auto grey = [&] {
        return Readable(QColor::fromRgbF((text.redF() + background.redF()) / 2,
                                         (text.greenF() + background.greenF()) / 2,
                                         (text.blueF() + background.blueF()) / 2),
                        background);
    };
    switch (node.Kind()) {
    case XmlNodeKind::Element:
        return name ? Readable(kElementNameHue, background) : text;
    case XmlNodeKind::Attribute:
        return name ? Readable(kAttributeNameHue, background) : text;
    case XmlNodeKind::Text:
        return name || IsWhitespaceText(node) ? grey() : text;
    case XmlNodeKind::Comment:
    case XmlNodeKind::ProcessingInstruction:
        return grey();
    default:
        return background;
    }
}

QString NodeCellStyle::RowDescription(const XmlNode& node, bool expanded)
{
    int kind = 0;
    switch (node.Kind()) {
    case XmlNodeKind::Element:
        kind = StringId::ElementKind;
        break;
    case XmlNodeKind::Attribute:
        kind = StringId::AttributeKind;
        break;
    case XmlNodeKind::Text:
        kind = StringId::TextKind;
        break;
    case XmlNodeKind::Comment:
        kind = StringId::CommentKind;
        break;
    case XmlNodeKind::ProcessingInstruction:
        kind = StringId::InstructionKind;
        break;
    default: // the root holder
        return QString();
    }
    // Only a row that can open tells its state: an element whose children were all removed
    // keeps its expanded bit but has nothing to show.
    const bool canExpand = node.Kind() == XmlNodeKind::Element && node.HasChildren();
    const int form = !canExpand ? StringId::RowKindAndLevel
                     : expanded ? StringId::ExpandedRowKindAndLevel
                                : StringId::CollapsedRowKindAndLevel;
    return FormatPlaceholders(LoadText(form),
                              {LoadText(kind), QString::number(VisibleRows::Level(&node) + 1)});
}

QString NodeCellStyle::VisibleWhitespace(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text[i].unicode()) {
        case u' ':
            shown += u'\u00B7'; // middle dot
            break;
        case u'\t':
            shown += u'\u2192'; // rightwards arrow
            break;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            [[fallthrough]];
        case u'\n':
            shown += u'\u21B5'; // downwards arrow with corner leftwards
            break;
        default:
            shown += text[i];
        }
    }
    return shown;
}

double NodeCellStyle::Contrast(const QColor& first, const QColor& second)
{
    const double a = RelativeLuminance(first);
    const double b = RelativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}
