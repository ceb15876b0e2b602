#pragma once

#include <QString>

// The user guide that ships inside the program (docs/USER_GUIDE.md), as the page the Home
// page command opens in the default browser.
class UserGuide {
public:
    // The guide's Markdown text.
    static QString Markdown();
    // Writes the guide as an HTML file into the user's cache folder and returns its path;
    // empty when it cannot be written.
    static QString HtmlFile();
    static QString ToHtml(const QString& markdown);
};
