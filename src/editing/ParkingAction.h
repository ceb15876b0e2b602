#pragma once

#include "editing/UndoAction.h"

#include <cstdint>

class XmlDocument;
class XmlNode;

// Base of the insert and delete actions: takes a subtree out of the tree into a private
// holder ("park") and puts the very same nodes back ("put back").
class ParkingAction : public UndoAction {
public:
    ParkingAction(XmlDocument& document, int32_t parentId, XmlNode* node);
    ~ParkingAction() override;

protected:
    bool Park();
    bool PutBack();

private:
    XmlDocument& m_document;
    int32_t m_parentId;
    XmlNode* m_node;
    int m_position = -1;
    XmlNode* m_holder = nullptr; // made on first park; owns the parked subtree
};
