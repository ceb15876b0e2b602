#pragma once

#include "document/NodeIdPath.h"
#include "editing/FindFlags.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

class XmlDocument;

// Searches names, values (text content included) and comments in document order from a start
// node, wrapping around.
class NodeFinder {
public:
    // True when a node after (or, with SearchUp, before) the start node matches; the start node
    // itself is examined last, after the whole rest of the document. Fills `pathOut` with the
    // match's path and `wrappedOut` with whether the search passed the end (or the start).
    static bool FindNext(const XmlDocument& document, int32_t startId, const QString& text,
                         FindFlags flags, NodeIdPath& pathOut, bool* wrappedOut = nullptr);
    // The IDs of every matching node in document order (SearchUp is ignored), in one walk.
    static std::vector<int32_t> FindAll(const XmlDocument& document, const QString& text,
                                        FindFlags flags);

    static bool IsWordDelimiter(QChar c);
    // Whether `text` occurs in `candidate` (both already case-folded as wanted); with
    // `wholeWord`, some occurrence, overlapping ones included, must stand between delimiters.
    static bool Matches(QStringView candidate, QStringView text, bool wholeWord);
    // Locale-independent lower case of every code point, written into `out` (reused buffer).
    static void FoldCase(QStringView text, QString& out);
    static void AppendFolded(QStringView text, QString& out);
};
