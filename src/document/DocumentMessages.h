#pragma once

#include "document/FileFailure.h"
#include "document/XmlStatus.h"

#include <QString>
#include <cstdint>

// The report of a failed load: string 215 with the path, the status message, line and position,
// then the reason, if one is known.
QString LoadErrorText(const QString& path, XmlStatus status, int32_t line, int32_t position,
                      const FileFailure& failure = {});

// The report of a failed save: string 216 with the path and the status message, then the reason.
QString SaveErrorText(const QString& path, XmlStatus status, const FileFailure& failure = {});

// The reason alone, or empty.
QString FileFailureText(const FileFailure& failure);
