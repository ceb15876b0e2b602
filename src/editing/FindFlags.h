#pragma once

#include <QStringView>
#include <cstdint>

// The find options in one word, as the find dialog keeps and stores them.
using FindFlags = uint32_t;

namespace FindFlag {
constexpr FindFlags NodeNames = 0x1;
constexpr FindFlags NodeValues = 0x2;
constexpr FindFlags AttributeNames = 0x4;
constexpr FindFlags AttributeValues = 0x8;
constexpr FindFlags Comments = 0x10;
constexpr FindFlags AllKinds = NodeNames | NodeValues | AttributeNames | AttributeValues | Comments;
constexpr FindFlags SearchUp = 0x20000000;
constexpr FindFlags MatchWholeWord = 0x40000000;
constexpr FindFlags MatchCase = 0x80000000;
} // namespace FindFlag

// Characters a whole-word match must stand between. The slash and angle brackets are not
// among them; the underscore and the hyphen are.
inline constexpr QStringView kFindWordDelimiters = u" '\",.;:\\?!(){}[]@#$%^&*_-+=|~\r\n\t";
