#pragma once

#include <QStringView>

// The Name production of XML 1.0 (fifth edition) over UTF-16 units, without the supplementary
// planes: surrogates are never accepted, and the colon is a name character anywhere.
bool IsValidXmlName(QStringView text);
