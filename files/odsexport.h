// The OpenDocument spreadsheet export: one data sheet, one chart sheet and one
// embedded chart per exported side.
#pragma once

#include <QString>

// Writes the package; false when it could not be written completely (the
// caller tells the user with text 36). No dialogs.
bool writeOds(const QString& fileName, bool sideA, bool sideB);
