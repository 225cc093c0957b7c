// A picture of a main window's client area, the part below its menu bar, drawn by the widgets
// themselves: nothing is read from the screen, so windows that cover it do not show.
#pragma once

#include <QImage>
#include <QMainWindow>

namespace qel::platform {

[[nodiscard]] QRect ClientRect(const QMainWindow& form);
[[nodiscard]] QImage GetFormImage(QMainWindow& form);

} // namespace qel::platform
