// The zip package of the ODS export (see odsexport.h for the entry point).
#pragma once

#include "files/exportcommon.h"

#include <QTextStream>

// META-INF/manifest.xml listing the fixed entries and the chart objects of
// the exported sides.
bool writeManifest(QTextStream& stream, bool sideA, bool sideB);
