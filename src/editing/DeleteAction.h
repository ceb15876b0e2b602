#pragma once

#include "editing/ParkingAction.h"

// Records a removed node: redo parks it, undo puts it back.
class DeleteAction : public ParkingAction {
public:
    using ParkingAction::ParkingAction;
    bool Redo() override { return Park(); }
    bool Undo() override { return PutBack(); }
};
