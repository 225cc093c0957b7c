// Around a modal dialog or box: afterwards the window that was active before is active again,
// with the focus where it was, as on the desktop the viewer was made for. A window manager
// usually sees to that; without one (a bare X server, the offscreen platform) the window system
// may count the window as active again while the widgets do not, and keys would reach nothing.
// A popup the dialog left open (the file name completer's list) is closed as well: it would stay
// on screen and take the keys meant for the window.
#pragma once

#include <QPointer>
#include <QWidget>

namespace qel::platform {

class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

} // namespace qel::platform
