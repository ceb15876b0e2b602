#pragma once

#include "document/XmlStatus.h"

#include <QString>
#include <cstdint>

// The report of a failed load: string 215 with the path, the status message, line and position.
QString LoadErrorText(const QString& path, XmlStatus status, int32_t line, int32_t position);

// The report of a failed save: string 216 with the path and the status message.
QString SaveErrorText(const QString& path, XmlStatus status);
