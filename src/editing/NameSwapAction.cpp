#include "editing/NameSwapAction.h"

#include "document/XmlDocument.h"

NameSwapAction::NameSwapAction(XmlDocument& document, int32_t id, Field field, QString prefix,
                               QString text)
    : m_document(document), m_id(id), m_field(field), m_prefix(std::move(prefix)),
      m_text(std::move(text))
{
}

bool NameSwapAction::Swap()
{
    XmlNode* node = m_document.FindNode(m_id);
    if (!node)
        return false;
    switch (m_field) {
    case Field::QualifiedName: {
        QString oldPrefix = node->Prefix();
        QString oldLocal = node->LocalName();
        m_document.AssignName(node, m_prefix, m_text);
        m_prefix = std::move(oldPrefix);
        m_text = std::move(oldLocal);
        break;
    }
    case Field::LocalName: {
        QString oldLocal = node->LocalName();
        m_document.AssignLocalName(node, m_text);
        m_text = std::move(oldLocal);
        break;
    }
    case Field::Value: {
        QString oldValue = node->Value();
        m_document.AssignValue(node, m_text);
        m_text = std::move(oldValue);
        break;
    }
    }
    m_document.NotifyNodeChanged(m_id);
    return true;
}
