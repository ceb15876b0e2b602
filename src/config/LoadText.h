#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The text of a string ID: the selected language first, the built-in table second.
QString LoadText(int id);

// Fills printf-style placeholders (%s, %d) in order. QString::arg would also expand "%1" in
// a path or a message, so the texts are inserted literally; "%%" gives one percent sign.
QString FormatPlaceholders(const QString& pattern, const QStringList& arguments);

// The language resource installs its lookup here; it answers false for IDs it lacks.
using TextOverride = std::function<bool(int id, QString& text)>;
void SetTextOverride(TextOverride lookup);
