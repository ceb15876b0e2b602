#pragma once

#include "document/XmlStatus.h"

#include <QString>

// Maps a status code to the string ID of its user message.
class StatusMessageTable {
public:
    static constexpr int RowCount = 86;
    static constexpr int InternalErrorStringId = 40080;

    // The first row with an equal status wins; a status in no row gives "Internal error".
    static int StringIdOf(XmlStatus status);
    // The message through LoadText, so a language file can translate it.
    static QString MessageOf(XmlStatus status);
    // Row access for tests and tools that list the table.
    static XmlStatus StatusAt(int row);
    static int StringIdAt(int row);
};
