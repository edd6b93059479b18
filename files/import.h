// Reading a saved data file into a DataImport value.
#pragma once

#include "model/dataimport.h"

class QIODevice;

// Reads from a device open for reading, from its start.
DataImport readDataFile(QIODevice& device);
// Opens and reads the file at path; FileUnreadable when it cannot be opened
// (a named pipe or a folder is not opened at all: it would never end).
DataImport readDataFile(const QString& path);
