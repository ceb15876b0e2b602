#pragma once

#include "editing/ParkingAction.h"

// Records an inserted node: redo puts it back, undo parks it.
class InsertAction : public ParkingAction {
public:
    using ParkingAction::ParkingAction;
    bool Redo() override { return PutBack(); }
    bool Undo() override { return Park(); }
};
