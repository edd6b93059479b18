// Command-line settings of the simulated unit: what it answers and which
// faults it plays.
#pragma once

#include <QString>
#include <QStringList>

struct UnitSimOptions
{
    // Identity
    QString hardwareVersion = QStringLiteral("1.2");
    QString softwareVersion = QStringLiteral("1.35");
    int pulseInput = 100;
    int serialNumber = 12345;
    int statusSideA = 5;
    int statusSideB = 6;
    int flags = 0;
    QString pcmText = QStringLiteral("KLM-PCM 4.2");
    int register101 = 7;
    int register104 = 49;

    // History
    int recordsA = 300;
    int recordsB = 300;
    QString words = QStringLiteral("14"); // "11", "12", "14" or "mixed"
    QString tag = QStringLiteral("Nr");   // "Nr" or "No"
    char separator = '.';
    quint32 seed = 1;
    int firstNumber = -1;  // number of the oldest record; -1: drawn from the seed
    int skipNumber = -1;   // a record number the history leaves out; -1: none
    bool newestFirst = false;  // history replies list the newest record first
    bool oddLine = false;      // each history reply carries one tagged line of 13 words

    // Line behaviour and faults
    bool baudPacing = true;
    int silentFirst = 0;
    bool failStatus = false;
    bool failRegister101 = false;
    bool noise = false;
    qint64 cutAfter = -1;
    qint64 stallAfter = -1;   // history bytes after which the unit falls silent, line open
    char silentSide = 0;      // 'A' or 'B': that side's history request gets no answer
    int vanishAfterCommands = -1; // the line goes when this many commands have come
    bool badChecksumReply = false;
    bool textChecksumReply = false;
    bool cutReply = false;
    bool exitWithParent = false;

    QString jsonDumpPath;
    QString historyFilePrefix;  // write every history line held to <prefix>-A.txt / -B.txt
    QString logPath;
};

// Parses the arguments (argv[0] first). On --help or an error it prints to
// stdout/stderr and returns false with exitCode set.
bool parseUnitSimOptions(const QStringList& arguments, UnitSimOptions& options, int& exitCode);
