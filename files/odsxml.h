// Escaping of texts that go into the generated OpenDocument XML. Texts come
// from the text table and from the unit (software version, PCM text) or an
// imported file, so any character may turn up.
#pragma once

#include <QString>

// For character data: '&', '<' and '>' as entity references; characters that
// XML 1.0 does not allow at all (controls other than tab, LF, CR) become
// U+FFFD so the document stays well-formed.
QString xmlText(const QString& text);

// For an attribute value delimited by single quotes: as xmlText, plus both
// quote characters.
QString xmlAttribute(const QString& text);
