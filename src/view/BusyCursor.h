#pragma once

// Shows the busy cursor over the whole program for its lifetime: for work that makes the user
// wait (opening or saving a large file, a validation, a transformation). End it before a
// message box, so the box is answered with the normal cursor. Nests.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // Whether a busy cursor is shown now (for tests and for nesting checks).
    static bool IsShown();
};
