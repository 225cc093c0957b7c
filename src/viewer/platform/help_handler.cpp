#include "help_handler.h"

#include <QCoreApplication>
#include <QEvent>

namespace qel::platform {

THelpHandler::THelpHandler(QObject* parent) : QObject(parent) {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

THelpHandler::~THelpHandler() {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool THelpHandler::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::QueryWhatsThis: // no widget offers What's This help
    case QEvent::EnterWhatsThisMode:
    case QEvent::WhatsThis:
    case QEvent::WhatsThisClicked:
        event->ignore();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace qel::platform
