#pragma once

#include <QString>

// The name proposed for a transformation result: the document's file name without folder
// and extension.
class ResultFileName {
public:
    // The text between the last folder separator and the last full stop of the path, when a
    // separator comes before that full stop; otherwise (untitled document, no extension, a
    // full stop only in a folder name) an empty string, meaning no proposal.
    static QString Propose(const QString& documentPath);
};
