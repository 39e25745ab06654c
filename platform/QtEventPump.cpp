#include "platform/QtEventPump.h"

#include <QCoreApplication>

namespace platform {

void QtEventPump::processPending() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents();
}

// Qt cannot pick keyboard events out of its queue; handling all pending input events is the
// nearest it offers, and timers and sockets stay queued.
void QtEventPump::processKeyboard() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    }
}

}  // namespace platform
