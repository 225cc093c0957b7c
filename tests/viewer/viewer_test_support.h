// What the viewer's GUI tests share: a test main that runs on the viewer's application object,
// driving modal dialogs from inside their own event loops, and reading the outline as text.
#pragma once

#include "platform/application.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

class QAbstractItemModel;
class QTreeView;
class TFrmMain;

namespace qel::test {

// Calls fn with the active modal widget once one of type W shows, polling from the event loop
// (a modal dialog runs its own loop, so the call that opened it has not returned yet). Gives up
// after budgetMs, or when scope is destroyed, so that a poll never outlives what fn refers to.
template <typename W>
void WhenModal(const QObject* scope, std::function<void(W*)> fn, int budgetMs = 10000) {
    QTimer::singleShot(10, scope, [scope, fn = std::move(fn), budgetMs] {
        if (auto* modal = qobject_cast<W*>(QApplication::activeModalWidget()))
            fn(modal);
        else if (budgetMs > 0)
            WhenModal<W>(scope, fn, budgetMs - 10);
    });
}

// A new main window, shown and active as at start; null when it did not become active.
[[nodiscard]] std::unique_ptr<TFrmMain> ShowMainWindow();

// Presses F3 on window and lets drive work the file dialog from inside its event loop; false when
// F3 showed no file dialog.
[[nodiscard]] bool PressF3AndDrive(QWidget* window, const std::function<void(QFileDialog*)>& drive);

// The file dialog as a user works it. Qt's own dialog names its children; these names are Qt
// internals, not API, and this is the one place that uses them.
void TypeFileName(QFileDialog* dialog, const QString& name);
void ClickOpen(QFileDialog* dialog);
void ClickCancel(QFileDialog* dialog);
// Picks an entry of the list of file types with the keyboard, as a user would.
void ChooseFileType(QFileDialog* dialog, const QString& description);
[[nodiscard]] QString TypedFileName(QFileDialog* dialog);

// What an error box showed.
struct BoxSeen {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool shown = false;
};
// Records the next message box and closes it with its OK button.
void RecordNextBox(const QObject* scope, const std::shared_ptr<BoxSeen>& seen);

// The items of a tree as indented lines, two spaces a level, with "+" after an expanded item's
// text.
[[nodiscard]] QString Dump(const QTreeView& view);

// Writes bytes to path, replacing the file.
void WriteFile(const QString& path, const QByteArray& bytes);

} // namespace qel::test

// A test main on the viewer's own application object, on whichever platform QT_QPA_PLATFORM
// names (ctest sets offscreen).
#define QEL_VIEWER_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char* argv[]) {                                                             \
        qel::platform::TApplication application(argc, argv);                                       \
        application.Initialize();                                                                  \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
