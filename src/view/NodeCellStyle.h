#pragma once

#include <QColor>
#include <QString>

class XmlNode;

// What a row of the document's tree shows for a node, in the Name (0) and Value (1) columns:
// one rule for every view of the tree, read straight from the node.
namespace NodeCellStyle {

// The name with its prefix (when prefixes are shown), or the value; a whitespace-only text's
// value made visible (VisibleWhitespace).
QString Text(const XmlNode& node, int column, bool showPrefixes);
// The NodeIcons index of the Name cell.
int Icon(const XmlNode& node, bool expanded);
// Names of texts, and both cells of comments and instructions, are set in italics.
bool Italic(const XmlNode& node, int column);
// The text colour of an unselected cell on `background`: node names keep their hue and at
// least 4.5:1 contrast; secondary texts are `text` halfway to the background.
QColor TextColour(const XmlNode& node, int column, const QColor& text, const QColor& background);
// What a screen reader says of the row besides its text: "<kind>, level N", with ", expanded"
// or ", collapsed" for an element with children; levels count from 1 at the top. Empty for
// the root holder.
QString RowDescription(const XmlNode& node, bool expanded);

// A middle dot per space, an arrow per tab, a return arrow per line break.
QString VisibleWhitespace(QStringView text);
// The contrast ratio of two colours (1 to 21), by relative luminance.
double Contrast(const QColor& first, const QColor& second);

} // namespace NodeCellStyle
