#pragma once

#include <QStringView>

#include <algorithm>
#include <string_view>

// XML's white space: space, tab, line feed and carriage return, nothing else (a no-break space
// is text). One rule for the reader, the loader, the writer, the tools and the view.
constexpr bool IsXmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

inline bool IsXmlWhitespace(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return IsXmlSpace(c.unicode()); });
}

inline bool IsXmlWhitespace(std::string_view utf8)
{
    return std::all_of(utf8.begin(), utf8.end(), [](char c) { return IsXmlSpace(char16_t(c)); });
}
