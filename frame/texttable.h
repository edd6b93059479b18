// The six-language text table. Every user-visible text is entry n of the
// table in the current language; the table is read once from qm7.loc beside
// the executable.
#pragma once

#include <QString>
#include <QtGlobal>

constexpr int textTableLanguages = 6;
constexpr int textTableEntries = 400;
constexpr int textTableSlotBytes = 128; // 127 bytes of UTF-8 and a zero

// Index of the current language: 0 English, 1 German, 2 French, 3 Italian,
// 4 Chinese, 5 Spanish (the order of the flag strip). Set by the GUI thread.
quint8 currentLanguage();
void setCurrentLanguage(quint8 language);

// Loads qm7.loc from the executable's directory. True when the file could be
// opened, whatever it held.
bool loadTextTable();
// Loads the table from the given file instead (tests, tools). Clears first.
bool loadTextTableFrom(const QString& path);
// Empties every slot.
void clearTextTable();

QString text(int n);
QString textIn(int n, int language);

// Breaks a heading into lines of about width characters ("\r\n" between).
QString wrapText(const QString& text, int width);

// Entries added after the original table, named here so that renumbering the
// block touches this one place.
constexpr int textDataFiles = 161; // name of the open dialog's filter
