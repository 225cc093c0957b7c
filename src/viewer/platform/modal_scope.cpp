#include "modal_scope.h"

#include <QApplication>

namespace qel::platform {

ModalScope::ModalScope()
    : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {}

ModalScope::~ModalScope() {
    for (int left = 8; left > 0; --left) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr)
            break;
        popup->close();
    }
    QWidget* const window = window_.data();
    if (window == nullptr || !window->isVisible())
        return;
    if (QApplication::activeWindow() != window) {
        QApplication::setActiveWindow(window);
        window->activateWindow();
    }
    QWidget* const focus = focus_.data();
    if (focus != nullptr && focus->isVisible() && QApplication::focusWidget() != focus)
        focus->setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace qel::platform
