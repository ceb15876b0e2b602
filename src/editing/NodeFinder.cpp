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

    // Both steps tell whether they wrapped around the end (or, going back, the start).
    bool Next()
    {
        const XmlNode* current = Current();
        if (current->HasChildren()) {
            m_frames.push_back({current, 0});
            return false;
        }
        while (!m_frames.empty()) {
            Frame& top = m_frames.back();
            if (top.index + 1 < top.parent->ChildCount()) {
                ++top.index;
                return false;
            }
            m_frames.pop_back();
        }
        m_frames.push_back({m_root, 0}); // wrap to the first top-level node
        return true;
    }

    bool Previous()
    {
        Frame& top = m_frames.back();
        if (top.index > 0) {
            --top.index;
            DescendToLast();
            return false;
        }
        if (m_frames.size() > 1) {
            m_frames.pop_back(); // the parent is the previous node
            return false;
        }
        m_frames.back() = {m_root, m_root->ChildCount() - 1}; // wrap to the document's end
        DescendToLast();
        return true;
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

// The text a node offers to a search with these options (case-folded with `fold`); empty when
// the options examine nothing of its kind.
void BuildCandidate(const XmlNode* node, FindFlags flags, bool fold, QString& out)
{
    out.resize(0);
    const bool values = flags & FindFlag::NodeValues;
    switch (node->Kind()) {
    case XmlNodeKind::Element:
        AppendNameAndValue(node, flags & FindFlag::NodeNames, values, fold, out);
        break;
    case XmlNodeKind::Attribute:
        AppendNameAndValue(node, flags & FindFlag::AttributeNames,
                           flags & FindFlag::AttributeValues, fold, out);
        break;
    case XmlNodeKind::Text:
        // The content users see in the Value column of text rows.
        if (values)
            AppendText(node->ValueView(), fold, out);
        break;
    case XmlNodeKind::Comment:
        if (flags & FindFlag::Comments)
            AppendText(node->ValueView(), fold, out);
        break;
    case XmlNodeKind::ProcessingInstruction: {
        // Markup for programs, like a comment: found under the same option, target too; its
        // data is a node value as well.
        const bool comments = flags & FindFlag::Comments;
        AppendNameAndValue(node, comments, comments || values, fold, out);
        break;
    }
    default:
        break;
    }
}

struct PreparedSearch {
    QString text;
    bool matchCase;
    bool wholeWord;

    PreparedSearch(const QString& searchText, FindFlags flags)
        : matchCase(flags & FindFlag::MatchCase), wholeWord(flags & FindFlag::MatchWholeWord)
    {
        if (matchCase)
            text = searchText;
        else
            NodeFinder::FoldCase(searchText, text);
    }

    // `candidate` is a reused buffer.
    bool Matches(const XmlNode* node, FindFlags flags, QString& candidate) const
    {
        BuildCandidate(node, flags, !matchCase, candidate);
        if (candidate.isEmpty() || candidate.size() < text.size())
            return false;
        return NodeFinder::Matches(candidate, text, wholeWord);
    }
};

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
                          FindFlags flags, NodeIdPath& pathOut, bool* wrappedOut)
{
    pathOut.clear();
    if (wrappedOut)
        *wrappedOut = false;
    const XmlNode* root = document.Root();
    if (!root->HasChildren())
        return false;
    const bool up = flags & FindFlag::SearchUp;
    const PreparedSearch search(text, flags);

    const XmlNode* start = document.FindNode(startId);
    if (!start)
        return false;
    DocumentWalk walk(root);
    if (!walk.Start(start))
        return false; // a node parked in an undo action is not part of the document

    QString candidate; // reused for every node, already case-folded unless Match case is set
    bool wrapped = false;
    for (;;) {
        wrapped = (up ? walk.Previous() : walk.Next()) || wrapped;
        const XmlNode* node = walk.Current();
        // The start is examined last: when it is the only match, the search comes back to it
        // rather than claiming the text is nowhere.
        if (search.Matches(node, flags, candidate)) {
            if (wrappedOut)
                *wrappedOut = wrapped;
            return document.GetIdPath(node->Id(), pathOut);
        }
        if (node == start)
            return false;
    }
}

std::vector<int32_t> NodeFinder::FindAll(const XmlDocument& document, const QString& text,
                                         FindFlags flags)
{
    std::vector<int32_t> found;
    const XmlNode* root = document.Root();
    if (!root->HasChildren() || text.isEmpty())
        return found;
    const PreparedSearch search(text, flags);
    DocumentWalk walk(root);
    walk.Start(root->ChildAt(0));
    QString candidate;
    do {
        const XmlNode* node = walk.Current();
        if (search.Matches(node, flags, candidate))
            found.push_back(node->Id());
    } while (!walk.Next());
    return found;
}
