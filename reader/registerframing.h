// The register command lines with their checksum, and the framing checks
// of the unit's replies to them. Pure text: no port, no thread.
#pragma once

#include <QString>
#include <QtGlobal>

class RegisterFraming
{
public:
    // "R;<address>;<side>;<register>;" or "W;...;<data>;", then the checksum
    // and CR LF.
    static QString buildRegisterCommand(int address, int registerNumber, char side, bool write,
                                        const QString& data = QString());
    static int registerChecksum(const QString& text);
    // 0 decoded, 1 malformed or not matching, 2..4 unit error code 1..3.
    static quint8 parseRegisterReply(int address, int registerNumber, char side, qint32* destination,
                                     const QString& reply);
};
