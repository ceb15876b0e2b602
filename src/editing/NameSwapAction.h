#pragma once

#include "editing/UndoAction.h"

#include <QString>
#include <cstdint>

class XmlDocument;

// Rename, local-name and value actions: each run exchanges the held text with the node's,
// so undo and redo are the same operation.
class NameSwapAction : public UndoAction {
public:
    enum class Field { QualifiedName, LocalName, Value };

    NameSwapAction(XmlDocument& document, int32_t id, Field field, QString prefix, QString text);
    bool Undo() override { return Swap(); }
    bool Redo() override { return Swap(); }

private:
    bool Swap();

    XmlDocument& m_document;
    int32_t m_id;
    Field m_field;
    QString m_prefix;
    QString m_text;
};
