#include "editing/NodeFinder.h"

#include "document/XmlDocument.h"

#include <algorithm>
#include <vector>

namespace {

// The walk keeps the child index of every level, so stepping costs no sibling search.
class DocumentWalk {
public:
    struct Frame {
        const XmlNode* parent;
        int index;
    };

    explicit DocumentWalk(const XmlNode* root) : m_root(root) {}

    // Positions the walk on `node`; false when it does not hang under the root holder.
    bool Start(const XmlNode* node)
    {
        m_frames.clear();
        for (const XmlNode* n = node; n != m_root; n = n->Parent()) {
            const XmlNode* parent = n->Parent();
            if (!parent)
                return false;
            const int index = parent->IndexOfChild(n);
            if (index < 0)
                return false;
            m_frames.push_back({parent, index});
        }
        std::reverse(m_frames.begin(), m_frames.end());
        return !m_frames.empty();
    }

    const XmlNode* Current() const
    {
        const Frame& top = m_frames.back();
        return top.parent->ChildAt(top.index);
    }

    void Next()
    {
        const XmlNode* current = Current();
        if (current->HasChildren()) {
            m_frames.push_back({current, 0});
            return;
        }
        while (!m_frames.empty()) {
            Frame& top = m_frames.back();
            if (top.index + 1 < top.parent->ChildCount()) {
                ++top.index;
                return;
            }
            m_frames.pop_back();
        }
        m_frames.push_back({m_root, 0}); // wrap to the first top-level node
    }

    void Previous()
    {
        Frame& top = m_frames.back();
        if (top.index > 0) {
            --top.index;
            DescendToLast();
            return;
        }
        if (m_frames.size() > 1) {
            m_frames.pop_back(); // the parent is the previous node
            return;
        }
        m_frames.back() = {m_root, m_root->ChildCount() - 1}; // wrap to the document's end
        DescendToLast();
    }

private:
    void DescendToLast()
    {
        for (const XmlNode* n = Current(); n->HasChildren(); n = Current())
            m_frames.push_back({n, n->ChildCount() - 1});
    }

    const XmlNode* m_root;
    std::vector<Frame> m_frames;
};

void AppendText(QStringView text, bool fold, QString& out)
{
    if (fold)
        NodeFinder::AppendFolded(text, out);
    else
        out += text;
}

// Appends a node's qualified name and/or value as the candidate text.
void AppendNameAndValue(const XmlNode* node, bool name, bool value, bool fold, QString& out)
{
    if (name) {
        if (!node->Prefix().isEmpty()) {
            AppendText(node->Prefix(), fold, out);
            out += u':';
        }
        AppendText(node->LocalName(), fold, out);
    }
    if (value) {
        out += u' ';
        AppendText(node->ValueView(), fold, out);
    }
}

} // namespace

bool NodeFinder::IsWordDelimiter(QChar c)
{
    return kFindWordDelimiters.contains(c);
}

bool NodeFinder::Matches(QStringView candidate, QStringView text, bool wholeWord)
{
    qsizetype k = candidate.indexOf(text);
    if (k < 0)
        return false;
    if (!wholeWord)
        return true;
    const qsizetype n = text.size();
    while (k >= 0) {
        const bool startOk = k == 0 || IsWordDelimiter(candidate[k - 1]);
        const bool endOk = k + n >= candidate.size() || IsWordDelimiter(candidate[k + n]);
        if (startOk && endOk)
            return true;
        if (k + 1 > candidate.size())
            break;
        k = candidate.indexOf(text, k + 1);
    }
    return false;
}

void NodeFinder::FoldCase(QStringView text, QString& out)
{
    out.resize(0);
    AppendFolded(text, out);
}

void NodeFinder::AppendFolded(QStringView text, QString& out)
{
    // Written through the buffer directly: this runs for every examined node of a search.
    const qsizetype start = out.size();
    const qsizetype size = text.size();
    out.resize(start + 2 * size); // a BMP unit could in theory fold to a surrogate pair
    QChar* dst = out.data() + start;
    const QChar* src = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = src[i].unicode();
        if (unit < 0x80) {
            *dst++ = QChar(unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit);
            continue;
        }
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && src[i + 1].isLowSurrogate())
            codePoint = QChar::surrogateToUcs4(unit, src[++i].unicode());
        const char32_t lower = QChar::toLower(codePoint);
        if (QChar::requiresSurrogates(lower)) {
            *dst++ = QChar(QChar::highSurrogate(lower));
            *dst++ = QChar(QChar::lowSurrogate(lower));
        } else {
            *dst++ = QChar(char16_t(lower));
        }
    }
    out.resize(dst - out.constData());
}

bool NodeFinder::FindNext(const XmlDocument& document, int32_t startId, const QString& text,
                          FindFlags flags, NodeIdPath& pathOut)
{
    pathOut.clear();
    const XmlNode* root = document.Root();
    if (!root->HasChildren())
        return false;
    const bool matchCase = flags & FindFlag::MatchCase;
    const bool wholeWord = flags & FindFlag::MatchWholeWord;
    const bool up = flags & FindFlag::SearchUp;
    QString search;
    if (matchCase)
        search = text;
    else
        FoldCase(text, search);

    const XmlNode* start = document.FindNode(startId);
    if (!start)
        return false;
    DocumentWalk walk(root);
    if (!walk.Start(start))
        return false; // a node parked in an undo action is not part of the document

    QString candidate; // reused for every node, already case-folded unless Match case is set
    for (;;) {
        if (up)
            walk.Previous();
        else
            walk.Next();
        const XmlNode* node = walk.Current();
        if (node == start)
            return false;
        candidate.resize(0);
        switch (node->Kind()) {
        case XmlNodeKind::Element:
            AppendNameAndValue(node, flags & FindFlag::NodeNames, flags & FindFlag::NodeValues,
                               !matchCase, candidate);
            break;
        case XmlNodeKind::Attribute:
            AppendNameAndValue(node, flags & FindFlag::AttributeNames,
                               flags & FindFlag::AttributeValues, !matchCase, candidate);
            break;
        case XmlNodeKind::Comment:
            if (flags & FindFlag::Comments)
                AppendText(node->ValueView(), !matchCase, candidate);
            break;
        case XmlNodeKind::ProcessingInstruction:
            // Markup for programs, like a comment: found under the same option, target too.
            AppendNameAndValue(node, flags & FindFlag::Comments, flags & FindFlag::Comments,
                               !matchCase, candidate);
            break;
        default:
            break;
        }
        if (candidate.isEmpty() || candidate.size() < search.size())
            continue;
        if (Matches(candidate, search, wholeWord))
            return document.GetIdPath(node->Id(), pathOut);
    }
}
