#include "form_image.h"

#include <QMenuBar>

namespace qel::platform {

QRect ClientRect(const QMainWindow& form) {
    const QWidget* menu = form.menuWidget();
    const int top = menu != nullptr && menu->isVisible() ? menu->geometry().bottom() + 1 : 0;
    return {0, top, form.width(), form.height() - top};
}

QImage GetFormImage(QMainWindow& form) {
    return form.grab(ClientRect(form)).toImage();
}

} // namespace qel::platform
