// The platform layer on its own: the application title, the error box and its full stop, errors
// escaping commands run from Qt's event loop, captions as Windows-1252, and the file dialog's
// filter entries and patterns.
#include "errors.h"
#include "platform/application.h"
#include "platform/open_dialog.h"
#include "platform/windows1252.h"
#include "viewer_test_support.h"

#include <new>
#include <stdexcept>

using qel::platform::Application;
using qel::platform::TApplication;
using qel::test::BoxSeen;

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void titleFromExecutable_data();
    void titleFromExecutable();
    void errorBoxCompletesTheMessage_data();
    void errorBoxCompletesTheMessage();
    void errorFromACommandRunByTheEventLoopIsReported_data();
    void errorFromACommandRunByTheEventLoopIsReported();
    void captionsAreWindows1252_data();
    void captionsAreWindows1252();
    void filterPairs_data();
    void filterPairs();
    void filePatterns_data();
    void filePatterns();
};

void PlatformTest::titleFromExecutable_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("lower case name") << "/usr/bin/qelview"
                                     << "qelview";
    QTest::newRow("mixed case") << "/opt/QELView"
                                << "Qelview";
    QTest::newRow("upper case with extension") << "/mnt/c/ALPHA.EXE"
                                               << "Alpha";
    QTest::newRow("cut before the first dot") << "/opt/SETTINGS.VIEW.EXE"
                                              << "Settings";
    QTest::newRow("dot in the folder only") << "/opt/v1.2/Viewer"
                                            << "Viewer";
    QTest::newRow("one character") << "/bin/X"
                                   << "X";
    QTest::newRow("name starting with a dot") << "/bin/.Hidden"
                                              << "";
    QTest::newRow("first character kept as it is") << "/bin/\u00e9COLE.exe"
                                                   << "\u00e9cole";
    QTest::newRow("no folder") << "QELView.open-test"
                               << "Qelview";
}

void PlatformTest::titleFromExecutable() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(TApplication::TitleFromExecutable(path), title);
}

void PlatformTest::errorBoxCompletesTheMessage_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << QByteArray("Cannot open clipboard") << "Cannot open clipboard.";
    QTest::newRow("full stop") << QByteArray("Done.") << "Done.";
    QTest::newRow("closing parenthesis") << QByteArray("Failed (code 5)") << "Failed (code 5)";
    QTest::newRow("digit") << QByteArray("Error 42") << "Error 42.";
    QTest::newRow("space") << QByteArray("Trailing ") << "Trailing ";
    QTest::newRow("hyphen, below the full stop") << QByteArray("a-") << "a-";
    QTest::newRow("slash, above the full stop")
        << QByteArray("Cannot open file /tmp/") << "Cannot open file /tmp/.";
    QTest::newRow("exclamation mark") << QByteArray("Stop!") << "Stop!";
    QTest::newRow("question mark") << QByteArray("Why?") << "Why?.";
    QTest::newRow("non-ASCII last byte") << QByteArray("caf\xC3\xA9") << "caf\u00e9.";
    QTest::newRow("empty") << QByteArray() << "";
}

void PlatformTest::errorBoxCompletesTheMessage() {
    QFETCH(QByteArray, message);
    QFETCH(QString, shown);
    const auto box = std::make_shared<BoxSeen>();
    const QObject scope;
    qel::test::RecordNextBox(&scope, box);
    Application().Dispatch([&] { throw qel::Exception(message.toStdString()); });
    QVERIFY(box->shown);
    QCOMPARE(box->text, shown);
    QCOMPARE(box->title, Application().Title());
    QCOMPARE(box->icon, QMessageBox::Critical);
    QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void PlatformTest::errorFromACommandRunByTheEventLoopIsReported_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("shown");
    QTest::newRow("qel::EFOpenError") << "open"
                                      << "Cannot open file /nowhere/a.QEL.";
    QTest::newRow("qel::EOutOfMemory") << "qel-memory"
                                       << "Out of memory.";
    QTest::newRow("std::bad_alloc") << "bad_alloc"
                                    << "Out of memory.";
    QTest::newRow("other std::exception") << "runtime"
                                          << "Something broke.";
    QTest::newRow("not an exception class") << "int"
                                            << "Unknown error.";
}

void PlatformTest::errorFromACommandRunByTheEventLoopIsReported() {
    QFETCH(QString, kind);
    QFETCH(QString, shown);
    const auto box = std::make_shared<BoxSeen>();
    const QObject scope;
    bool after = false;
    // The command runs from a timer, inside Qt's event delivery; the error must stop in Dispatch.
    QTimer::singleShot(0, &scope, [&] {
        qel::test::RecordNextBox(&scope, box);
        Application().Dispatch([&] {
            if (kind == u"open")
                throw qel::EFOpenError("/nowhere/a.QEL");
            if (kind == u"qel-memory")
                throw qel::EOutOfMemory();
            if (kind == u"bad_alloc")
                throw std::bad_alloc();
            if (kind == u"runtime")
                throw std::runtime_error("Something broke");
            throw 42;
        });
        after = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(after, 10000);
    QVERIFY(box->shown);
    QCOMPARE(box->text, shown);
}

void PlatformTest::captionsAreWindows1252_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII") << QByteArray("Scale") << "Scale";
    QTest::newRow("Latin-1 range") << QByteArray("\xB0\xE9\xFF") << "\u00b0\u00e9\u00ff";
    QTest::newRow("euro and quotes") << QByteArray("\x80\x93\x94") << "\u20ac\u201c\u201d";
    QTest::newRow("ends of the differing range") << QByteArray("\x9F\xA0") << "\u0178\u00a0";
    QTest::newRow("unassigned bytes keep their codes")
        << QByteArray("\x81\x8D\x8F\x90\x9D") << "\u0081\u008d\u008f\u0090\u009d";
    QTest::newRow("UTF-8 sequence is two characters") << QByteArray("\xC3\xA9") << "\u00c3\u00a9";
    QTest::newRow("control characters") << QByteArray("a\tb") << "a\tb";
}

void PlatformTest::captionsAreWindows1252() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(qel::platform::FromWindows1252(bytes.toStdString()), text);
}

void PlatformTest::filterPairs_data() {
    QTest::addColumn<QByteArray>("filter");
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<QStringList>("patterns");
    QTest::newRow("open command") << QByteArray("Settings (*.QEL)|*.QEL|All Files (*.*)|*.*")
                                  << QStringList{"Settings (*.QEL)", "All Files (*.*)"}
                                  << QStringList{"*.QEL", "*.*"};
    QTest::newRow("kept with the form")
        << QByteArray("Settings (*.QEL)|*.QEL|Log (*.CSV)|*.CSV|All Files (*.*)|*.*|"
                      "Calibration(*.CAL)|*.CAL")
        << QStringList{"Settings (*.QEL)", "Log (*.CSV)", "All Files (*.*)", "Calibration(*.CAL)"}
        << QStringList{"*.QEL", "*.CSV", "*.*", "*.CAL"};
    QTest::newRow("description without pattern")
        << QByteArray("Text|*.txt|Odd") << QStringList{"Text", "Odd"} << QStringList{"*.txt", ""};
    QTest::newRow("several patterns")
        << QByteArray("Data|*.QEL;*.CSV") << QStringList{"Data"} << QStringList{"*.QEL;*.CSV"};
    QTest::newRow("empty") << QByteArray() << QStringList{} << QStringList{};
}

void PlatformTest::filterPairs() {
    QFETCH(QByteArray, filter);
    QFETCH(QStringList, descriptions);
    QFETCH(QStringList, patterns);
    QStringList gotDescriptions;
    QStringList gotPatterns;
    for (const qel::platform::FilterEntry& entry :
         qel::platform::ParseFilter(filter.toStdString())) {
        gotDescriptions.push_back(entry.description);
        gotPatterns.push_back(entry.patterns);
    }
    QCOMPARE(gotDescriptions, descriptions);
    QCOMPARE(gotPatterns, patterns);
}

void PlatformTest::filePatterns_data() {
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same case") << "*.QEL"
                               << "a.QEL" << true;
    QTest::newRow("lower case") << "*.QEL"
                                << "a.qel" << true;
    QTest::newRow("mixed case") << "*.QEL"
                                << "Station.Qel" << true;
    QTest::newRow("other extension") << "*.QEL"
                                     << "a.txt" << false;
    QTest::newRow("longer extension") << "*.QEL"
                                      << "a.QELX" << false;
    QTest::newRow("no dot, settings") << "*.QEL"
                                      << "QEL" << false;
    QTest::newRow("all files, extension") << "*.*"
                                          << "a.txt" << true;
    QTest::newRow("all files, no dot") << "*.*"
                                       << "README" << true;
    QTest::newRow("star alone") << "*"
                                << "README" << true;
    QTest::newRow("one of several") << "*.CSV;*.QEL"
                                    << "b.qel" << true;
    QTest::newRow("none of several") << "*.CSV;*.QEL"
                                     << "b.cal" << false;
    QTest::newRow("question mark") << "a?.QEL"
                                   << "ab.qel" << true;
    QTest::newRow("empty pattern") << ""
                                   << "a.QEL" << false;
}

void PlatformTest::filePatterns() {
    QFETCH(QString, patterns);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(qel::platform::FilePatterns(patterns).Matches(name), matches);
}

QEL_VIEWER_TEST_MAIN(PlatformTest)
#include "tst_platform.moc"
