#include "viewer_test_support.h"

#include "main.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace qel::test {

namespace {
QLineEdit* FileNameEdit(QFileDialog* dialog) {
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}
QDialogButtonBox* ButtonBox(QFileDialog* dialog) {
    return dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
}
QComboBox* FileTypeCombo(QFileDialog* dialog) {
    return dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
}

void DumpRows(const QAbstractItemModel& model, const QTreeView& view, const QModelIndex& parent,
              int level, QString& out) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        out += QString(level * 2, u' ') + index.data().toString();
        if (view.isExpanded(index))
            out += u'+';
        out += u'\n';
        DumpRows(model, view, index, level + 1, out);
    }
}
} // namespace

std::unique_ptr<TFrmMain> ShowMainWindow() {
    auto window = std::make_unique<TFrmMain>();
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        return nullptr;
    return window;
}

bool PressF3AndDrive(QWidget* window, const std::function<void(QFileDialog*)>& drive) {
    bool driven = false;
    const QObject scope;
    WhenModal<QFileDialog>(&scope, [&driven, &drive](QFileDialog* dialog) {
        driven = true;
        drive(dialog);
    });
    QTest::keyClick(window, Qt::Key_F3);
    return driven;
}

void TypeFileName(QFileDialog* dialog, const QString& name) {
    QLineEdit* edit = FileNameEdit(dialog);
    if (edit == nullptr)
        return;
    // As a user, who types once the dialog is active, into the field that has the focus: only
    // then does a typed name replace the file the dialog offered (it is still selected in the
    // list).
    (void)QTest::qWaitForWindowActive(dialog);
    edit->setFocus(Qt::MouseFocusReason);
    (void)QTest::qWaitFor([edit] { return edit->hasFocus(); });
    edit->clear();
    // Typing, rather than setText, is what runs the dialog's own reactions to a typed name.
    QTest::keyClicks(edit, name);
}

void ClickOpen(QFileDialog* dialog) {
    if (QDialogButtonBox* box = ButtonBox(dialog)) {
        if (QPushButton* open = box->button(QDialogButtonBox::Open))
            QTest::mouseClick(open, Qt::LeftButton);
    }
}

void ClickCancel(QFileDialog* dialog) {
    if (QDialogButtonBox* box = ButtonBox(dialog)) {
        if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel))
            QTest::mouseClick(cancel, Qt::LeftButton);
    }
}

void ChooseFileType(QFileDialog* dialog, const QString& description) {
    QComboBox* combo = FileTypeCombo(dialog);
    if (combo == nullptr)
        return;
    const int wanted = combo->findText(description);
    if (wanted < 0)
        return;
    while (combo->currentIndex() < wanted)
        QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > wanted)
        QTest::keyClick(combo, Qt::Key_Up);
}

QString TypedFileName(QFileDialog* dialog) {
    const QLineEdit* edit = FileNameEdit(dialog);
    return edit != nullptr ? edit->text() : QString();
}

void RecordNextBox(const QObject* scope, const std::shared_ptr<BoxSeen>& seen) {
    WhenModal<QMessageBox>(scope, [seen](QMessageBox* box) {
        seen->shown = true;
        seen->text = box->text();
        seen->title = box->windowTitle();
        seen->icon = box->icon();
        seen->buttons = box->standardButtons();
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            box->reject();
    });
}

QString Dump(const QTreeView& view) {
    QString out;
    if (const QAbstractItemModel* model = view.model())
        DumpRows(*model, view, {}, 0, out);
    return out;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace qel::test
