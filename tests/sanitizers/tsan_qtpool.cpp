// Linked into every test of the ThreadSanitizer build only.
//
// QtGui converts large pictures in segments on Qt's global thread pool. Two
// pool threads then take turns at the pool's task queue under Qt's QMutex,
// a bare futex inside the uninstrumented Qt library, and the sanitizer
// reports the queue's own memory, with no symbol on either side to name in a
// suppression. One pool thread does the same work in turn and leaves nothing
// to report; our own code never uses the pool.
#include <QThreadPool>

namespace {

const bool singlePoolThread = [] {
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    return true;
}();

} // namespace
