// The main of a core test that also runs under Wine. There, a process whose
// short-lived threads have listed the archive can wait for ever in the DLL
// clean-up after ExitProcess; like the window (app/main.cpp), the test ends
// itself on Windows once its results are written.
#pragma once

#include <QCoreApplication>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

inline int filesEndTest(int result)
{
    std::fflush(nullptr);
#ifdef Q_OS_WIN
    ::TerminateProcess(::GetCurrentProcess(), UINT(result));
#endif
    return result;
}

#define FILES_GUILESS_TEST_MAIN(TestObject)                          \
    int main(int argc, char* argv[])                                 \
    {                                                                \
        int result = 0;                                              \
        {                                                            \
            QCoreApplication app(argc, argv);                        \
            TestObject tc;                                           \
            QTEST_SET_MAIN_SOURCE_PATH                               \
            result = QTest::qExec(&tc, argc, argv);                  \
        }                                                            \
        return filesEndTest(result);                                 \
    }
