#pragma once

// Hands memory the program has freed back to the system. The C library keeps freed blocks
// for reuse; after a large document is closed that would leave the process as large as it was
// while the document was open.
class FreedMemory {
public:
    static void ReturnToSystem();
};
