#pragma once

#include <QString>
#include <functional>

// The text of a string ID: the selected language first, the built-in table second.
QString LoadText(int id);

// The language resource installs its lookup here; it answers false for IDs it lacks.
using TextOverride = std::function<bool(int id, QString& text)>;
void SetTextOverride(TextOverride lookup);
