#pragma once

#include <QString>

// The program's built-in English strings, keyed by string ID.
class StringTable {
public:
    // The built-in text, or an empty string for an unknown ID.
    static QString Text(int id);
    static bool Contains(int id);
};

// String IDs the code names directly.
namespace StringId {
constexpr int ProgramName = 128;
constexpr int CommentName = 210;
constexpr int NewElement = 211;
constexpr int NewAttribute = 212;
constexpr int LoadError = 215;
constexpr int SaveError = 216;
constexpr int TextName = 225;
constexpr int InternalError = 40080;
constexpr int InvalidName = 40100;
} // namespace StringId
