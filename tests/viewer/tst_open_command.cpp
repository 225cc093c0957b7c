// File, Open (F3) driven as a user drives it: the dialog, the outline it leads to, Cancel, a file
// that cannot be opened, and what the dialog remembers.
#include "main.h"
#include "viewer_test_support.h"

#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QTemporaryDir>

#include <memory>

using qel::test::BoxSeen;
using qel::test::Dump;
using qel::test::WhenModal;

namespace {

// The worked example of the outline rules: nesting by level numbers, skipped non-key lines, and a
// level-0 line that ends the outline.
const QByteArray kFirstFile = "Comment: first\r\n1:Setup\r\n2:Scale\r\n3:Capacity\r\n3:Units\r\n"
                              "2:Serial\r\n4:Baud\r\n3:Parity\r\n4:Stop bits\r\n2:Display\r\n"
                              "Comment: second\r\n0:End\r\n2:Hidden\r\n";
const QString kFirstOutline = QStringLiteral("Setup+\n"
                                             "  Scale+\n"
                                             "    Capacity\n"
                                             "    Units\n"
                                             "  Serial+\n"
                                             "    Baud\n"
                                             "    Parity+\n"
                                             "      Stop bits\n"
                                             "  Display\n");

const QByteArray kSecondFile = "1:Printer\n2:Header\n3:Line 1\n2:Copies\n";
const QString kSecondOutline = QStringLiteral("Printer+\n"
                                              "  Header+\n"
                                              "    Line 1\n"
                                              "  Copies\n");

const QString kSettingsEntry = QStringLiteral("Settings (*.QEL)");
const QString kAllFilesEntry = QStringLiteral("All Files (*.*)");

QStringList VisibleFiles(QFileDialog* dialog, const QString& folder) {
    QStringList names;
    QAbstractProxyModel* proxy = dialog->proxyModel();
    const auto* files =
        proxy != nullptr ? qobject_cast<QFileSystemModel*>(proxy->sourceModel()) : nullptr;
    if (files == nullptr)
        return names;
    const QModelIndex root = proxy->mapFromSource(files->index(folder));
    for (int row = 0; row < proxy->rowCount(root); ++row) {
        const QModelIndex index = proxy->index(row, 0, root);
        QString name = index.data().toString();
        if (!(proxy->flags(index) & Qt::ItemIsEnabled))
            name += QStringLiteral(" (disabled)");
        names.push_back(name);
    }
    names.sort();
    return names;
}

} // namespace

class OpenCommandTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void f3ShowsTheDialog();
    void chosenFileShowsItsOutlineExpandedWithNothingSelected();
    void eachOpenReplacesTheOutline_data();
    void eachOpenReplacesTheOutline();
    void cancelLeavesTheOutline();
    void fileThatCannotBeOpenedIsReportedAndLeavesTheOutline();
    void dialogRemembersFileAndFilterOfTheLastConfirmedUse();
    void filtersMatchWithoutRegardToCaseAndAllFilesMatchesEveryFile();

private:
    // Presses F3 and lets drive work the dialog from inside its event loop.
    void Open(std::function<void(QFileDialog*)> drive);
    void OpenFile(const QString& path, const QString& fileType = {});
    [[nodiscard]] QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    std::unique_ptr<TFrmMain> window_;
};

void OpenCommandTest::initTestCase() {
    QVERIFY(dir_.isValid());
    qel::test::WriteFile(Path("first.QEL"), kFirstFile);
    qel::test::WriteFile(Path("second.qel"), kSecondFile);
    qel::test::WriteFile(Path("notes.txt"), "text\n");
    qel::test::WriteFile(Path("README"), "no dot in this name\n");
}

void OpenCommandTest::init() {
    window_ = qel::test::ShowMainWindow();
    QVERIFY(window_);
}

void OpenCommandTest::cleanup() {
    window_.reset();
}

void OpenCommandTest::Open(std::function<void(QFileDialog*)> drive) {
    QVERIFY2(qel::test::PressF3AndDrive(window_.get(), drive), "F3 showed no file dialog");
}

void OpenCommandTest::OpenFile(const QString& path, const QString& fileType) {
    Open([&](QFileDialog* dialog) {
        if (!fileType.isEmpty())
            qel::test::ChooseFileType(dialog, fileType);
        qel::test::TypeFileName(dialog, path);
        qel::test::ClickOpen(dialog);
    });
}

void OpenCommandTest::f3ShowsTheDialog() {
    QString title;
    QStringList entries;
    QString selectedEntry;
    const QFileDialog* seen = nullptr;
    Open([&](QFileDialog* dialog) {
        seen = dialog;
        title = dialog->windowTitle();
        entries = dialog->nameFilters();
        selectedEntry = dialog->selectedNameFilter();
        qel::test::ClickCancel(dialog);
    });
    QCOMPARE(seen, window_->OpenDialog);
    QCOMPARE(seen->objectName(), QStringLiteral("OpenDialog"));
    QVERIFY(seen->testOption(QFileDialog::DontUseNativeDialog));
    QCOMPARE(seen->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(seen->fileMode(), QFileDialog::AnyFile);
    QCOMPARE(title, QStringLiteral("Open Settings File"));
    QCOMPARE(entries, QStringList({kSettingsEntry, kAllFilesEntry}));
    QCOMPARE(selectedEntry, kSettingsEntry);
}

void OpenCommandTest::chosenFileShowsItsOutlineExpandedWithNothingSelected() {
    OpenFile(Path("first.QEL"));
    QCOMPARE(Dump(*window_->tvSettings), kFirstOutline);
    QVERIFY(!window_->tvSettings->selectionModel()->hasSelection());
    QVERIFY(!window_->tvSettings->currentIndex().isValid());
    QVERIFY(window_->tvSettings->hasFocus());
}

void OpenCommandTest::eachOpenReplacesTheOutline_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("outline");
    QTest::newRow("another file") << QStringList{"first.QEL", "second.qel"} << kSecondOutline;
    QTest::newRow("the same file again") << QStringList{"first.QEL", "first.QEL"} << kFirstOutline;
    QTest::newRow("back to the first")
        << QStringList{"first.QEL", "second.qel", "first.QEL"} << kFirstOutline;
}

void OpenCommandTest::eachOpenReplacesTheOutline() {
    QFETCH(QStringList, files);
    QFETCH(QString, outline);
    for (const QString& file : files)
        OpenFile(Path(file), kAllFilesEntry);
    QCOMPARE(Dump(*window_->tvSettings), outline);
}

void OpenCommandTest::cancelLeavesTheOutline() {
    // Cancelled before any file was opened, and after one was.
    Open([](QFileDialog* dialog) { qel::test::ClickCancel(dialog); });
    QCOMPARE(Dump(*window_->tvSettings), QString());

    OpenFile(Path("first.QEL"));
    Open([&](QFileDialog* dialog) {
        qel::test::TypeFileName(dialog, Path("second.qel"));
        qel::test::ClickCancel(dialog);
    });
    QCOMPARE(Dump(*window_->tvSettings), kFirstOutline);
}

void OpenCommandTest::fileThatCannotBeOpenedIsReportedAndLeavesTheOutline() {
    OpenFile(Path("first.QEL"));
    const auto box = std::make_shared<BoxSeen>();
    Open([&](QFileDialog* dialog) {
        qel::test::RecordNextBox(window_.get(), box);
        qel::test::TypeFileName(dialog, Path("missing.QEL"));
        qel::test::ClickOpen(dialog);
    });
    QVERIFY(box->shown);
    QCOMPARE(box->text, QStringLiteral("Cannot open file ") + Path("missing.QEL") + u'.');
    // The test program is named QELView.open-test: the title is its name up to the first ".",
    // the rest after the first character in lower case.
    QCOMPARE(box->title, QStringLiteral("Qelview"));
    QCOMPARE(box->icon, QMessageBox::Critical);
    QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(Dump(*window_->tvSettings), kFirstOutline);
    // The application goes on: the next open works.
    OpenFile(Path("second.qel"), kAllFilesEntry);
    QCOMPARE(Dump(*window_->tvSettings), kSecondOutline);
}

void OpenCommandTest::dialogRemembersFileAndFilterOfTheLastConfirmedUse() {
    OpenFile(Path("second.qel"), kAllFilesEntry);

    struct Offered {
        QString entry;
        QString typed;
        QStringList files;
    };
    const auto offered = [](QFileDialog* dialog) {
        return Offered{dialog->selectedNameFilter(), qel::test::TypedFileName(dialog),
                       dialog->selectedFiles()};
    };
    Offered next;
    Open([&](QFileDialog* dialog) {
        next = offered(dialog);
        // A changed choice that is then cancelled is not remembered.
        qel::test::ChooseFileType(dialog, kSettingsEntry);
        qel::test::TypeFileName(dialog, Path("first.QEL"));
        qel::test::ClickCancel(dialog);
    });
    QCOMPARE(next.entry, kAllFilesEntry);
    QCOMPARE(next.typed, QStringLiteral("second.qel"));
    QCOMPARE(next.files, QStringList{Path("second.qel")});

    Offered afterCancel;
    Open([&](QFileDialog* dialog) {
        afterCancel = offered(dialog);
        qel::test::ClickCancel(dialog);
    });
    QCOMPARE(afterCancel.entry, kAllFilesEntry);
    QCOMPARE(afterCancel.files, QStringList{Path("second.qel")});
}

void OpenCommandTest::filtersMatchWithoutRegardToCaseAndAllFilesMatchesEveryFile() {
    const QString folder = dir_.path();
    const QStringList settings{"first.QEL", "second.qel"};
    const QStringList everything{"README", "first.QEL", "notes.txt", "second.qel"};
    QStringList shownForSettings;
    QStringList shownForAll;
    Open([&](QFileDialog* dialog) {
        dialog->setDirectory(folder);
        (void)QTest::qWaitFor([&] { return VisibleFiles(dialog, folder) == settings; }, 5000);
        shownForSettings = VisibleFiles(dialog, folder);
        qel::test::ChooseFileType(dialog, kAllFilesEntry);
        (void)QTest::qWaitFor([&] { return VisibleFiles(dialog, folder) == everything; }, 5000);
        shownForAll = VisibleFiles(dialog, folder);
        qel::test::ClickCancel(dialog);
    });
    QCOMPARE(shownForSettings, settings);
    QCOMPARE(shownForAll, everything);
}

QEL_VIEWER_TEST_MAIN(OpenCommandTest)
#include "tst_open_command.moc"
