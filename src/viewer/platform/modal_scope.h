// Around a modal dialog or box: afterwards the window that was active before is active again,
// with the focus where it was, as on the desktop the viewer was made for. A window manager
// usually sees to that; without one (a bare X server, the offscreen platform) the window system
// may count the window as active again while the widgets do not, and keys would reach nothing.
// A popup the dialog left open (the file name completer's list) is closed as well: it would stay
// on screen and take the keys meant for the window.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace qel::platform {

class ModalScope {
public:
    ModalScope() : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {}
    ~ModalScope() {
        for (int left = 8; left > 0; --left) {
            QWidget* popup = QApplication::activePopupWidget();
            if (popup == nullptr)
                break;
            popup->close();
        }
        if (window_ == nullptr || !window_->isVisible())
            return;
        if (QApplication::activeWindow() != window_) {
            QApplication::setActiveWindow(window_);
            window_->activateWindow();
        }
        if (focus_ != nullptr && focus_->isVisible() && QApplication::focusWidget() != focus_)
            focus_->setFocus(Qt::ActiveWindowFocusReason);
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

} // namespace qel::platform
