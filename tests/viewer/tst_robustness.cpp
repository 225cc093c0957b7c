// The window against bad input, each case through File, Open (F3) and the file dialog unless it
// says otherwise: paths that cannot be opened, odd bytes, a chain a million levels deep, too little
// memory, and a thousand opens and copies in a row.
//
// Some cases need a process of their own: the test program runs itself again for one case, as an
// unprivileged user (a file without read permission means nothing to root) or under an
// address-space limit.
#include "main.h"
#include "outline_builder.h"
#include "platform/windows1252.h"
#include "string_list.h"
#include "tree_nodes.h"
#include "unique_fd.h"
#include "viewer_test_support.h"

#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define QEL_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QEL_UNDER_ASAN 1
#endif
#endif
#ifdef QEL_UNDER_ASAN
// The sanitizer runtime's count of heap bytes in use (GCC ships no header that declares it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using qel::platform::TTreeView;
using qel::test::BoxSeen;
using qel::test::Dump;
using qel::test::WhenModal;

namespace {

#ifdef QEL_UNDER_ASAN
// AddressSanitizer reserves terabytes of address space for its shadow memory and holds freed
// memory in a quarantine: address-space limits and resident-memory figures mean nothing under it.
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

// Set in the environment of a run of this program for one case in a process of its own: the case
// then does its work instead of starting that process.
constexpr char kChildVariable[] = "QEL_VIEWER_TEST_CHILD";
// Set to a user id: the program switches to that user (and its group) before Qt starts.
constexpr char kRunAsVariable[] = "QEL_VIEWER_TEST_RUN_AS";
// The exit code of a run that could not switch users.
constexpr int kCannotSwitchUser = 77;
// Debian's user and group nobody.
constexpr unsigned kNobody = 65534;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// What many opens or copies in a row may leave behind after a warm-up, for Qt's own caches and
// threads; far less than a leak of one descriptor, one file or one image each time.
constexpr std::size_t kDescriptorTolerance = 2;
constexpr std::size_t kMemoryTolerance = 8 * kMiB;

bool InChild() {
    return qEnvironmentVariableIsSet(kChildVariable);
}

// Switches the process to user and group id for good; false if it cannot.
bool SwitchUser(unsigned id) {
    const auto uid = static_cast<uid_t>(id);
    const auto gid = static_cast<gid_t>(id);
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
        return false;
    // No way back: a process that could become root again has not given anything up.
    return ::getuid() == uid && ::geteuid() == uid && ::setuid(0) != 0;
}

// A settings file of many lines: the root and its children, 25 bytes a line.
QByteArray Siblings(int children) {
    QByteArray text = "1:Root\r\n";
    for (int n = 1; n <= children; ++n)
        text += "2:Setting number " + QByteArray::number(n).rightJustified(6, '0') + "\r\n";
    return text;
}

// A chain: "Item 1" is the root and each "Item n" after it, a key line without a colon whose level
// number is n, nests under the one before.
QByteArray Chain(int items) {
    QByteArray text;
    text.reserve(static_cast<qsizetype>(items) * 14);
    for (int n = 1; n <= items; ++n)
        text += "Item " + QByteArray::number(n) + '\n';
    return text;
}

// Random bytes from a fixed seed, without NUL bytes unless allowed (a NUL byte ends the text).
QByteArray RandomBytes(int size, bool withNul) {
    std::mt19937 generator(20240611);
    std::uniform_int_distribution<int> byte(withNul ? 0 : 1, 255);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(byte(generator));
    return bytes;
}

QByteArray Utf16(const QString& text, bool bigEndian, bool byteOrderMark) {
    QByteArray bytes;
    if (byteOrderMark)
        bytes += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const QChar c : text) {
        const auto high = static_cast<char>(c.unicode() >> 8);
        const auto low = static_cast<char>(c.unicode() & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// One line per item in pre-order: its level, "|", its caption. Iterative, for outlines of any
// depth.
QStringList ModelOutline(const QAbstractItemModel& model) {
    QStringList out;
    struct Frame {
        QModelIndex parent;
        int row;
        int level;
    };
    std::vector<Frame> pending{{QModelIndex(), 0, 0}};
    while (!pending.empty()) {
        Frame& top = pending.back();
        if (top.row >= model.rowCount(top.parent)) {
            pending.pop_back();
            continue;
        }
        const QModelIndex index = model.index(top.row++, 0, top.parent);
        const int level = top.level;
        out.push_back(QString::number(level) + u'|' + index.data().toString());
        pending.push_back({index, 0, level + 1});
    }
    return out;
}

// The same for the core's outline, each caption's bytes shown one character per byte.
QStringList CoreOutline(const qel::TTreeNodes& nodes) {
    QStringList out;
    struct Frame {
        qel::TTreeNode parent;
        std::size_t row;
        int level;
    };
    std::vector<Frame> pending{{qel::kNoNode, 0, 0}};
    while (!pending.empty()) {
        Frame& top = pending.back();
        if (top.row >= nodes.ChildCount(top.parent)) {
            pending.pop_back();
            continue;
        }
        const qel::TTreeNode node = nodes.Child(top.parent, top.row++);
        const int level = top.level;
        out.push_back(QString::number(level) + u'|' +
                      qel::platform::FromWindows1252(nodes.Caption(node)));
        pending.push_back({node, 0, level + 1});
    }
    return out;
}

// The outline the core builds from bytes, as CoreOutline gives it.
QStringList CoreOutlineOf(const QByteArray& bytes) {
    qel::TStringList lines;
    lines.SetText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    qel::TTreeNodes nodes;
    qel::BuildOutline(lines, nodes);
    return CoreOutline(nodes);
}

// Figures of this process from /proc/self.
std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

struct Statm {
    std::size_t addressSpace = 0;
    std::size_t resident = 0;
};

Statm ReadStatm() {
    std::ifstream file("/proc/self/statm");
    std::size_t size = 0;
    std::size_t resident = 0;
    file >> size >> resident;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return {size * page, resident * page};
}

// The memory a leak would grow: resident memory, or under AddressSanitizer (whose quarantine holds
// freed memory on purpose) the heap bytes in use by its own count.
std::size_t MemoryInUse() {
#ifdef QEL_UNDER_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return ReadStatm().resident;
#endif
}

using Descriptor = qel::test::UniqueFd;

// Open descriptors and memory in use at one moment, to check that many commands in a row leave
// both flat.
struct ResourceUse {
    std::size_t descriptors = 0;
    std::size_t memory = 0;
    static ResourceUse Now() { return {OpenDescriptors(), MemoryInUse()}; }
};

// Fails the running test when descriptors or memory grew since before by more than the tolerances.
void VerifyFlatSince(const ResourceUse& before, int count, const char* what) {
    const ResourceUse after = ResourceUse::Now();
    const std::size_t grown = after.memory > before.memory ? after.memory - before.memory : 0;
    const std::size_t opened =
        after.descriptors > before.descriptors ? after.descriptors - before.descriptors : 0;
    qInfo("after %d %s: %zu descriptors and %zu bytes of memory more in use", count, what, opened,
          grown);
    QVERIFY2(opened <= kDescriptorTolerance, qPrintable(QString::number(opened)));
    QVERIFY2(grown < kMemoryTolerance, qPrintable(QString::number(grown)));
}

// Lowers the soft limit of the address space to bytes for as long as it lives. The hard limit
// stays, so that the old limit can be put back.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(std::size_t bytes) {
        active_ = ::getrlimit(RLIMIT_AS, &old_) == 0 && bytes <= old_.rlim_max;
        if (active_) {
            rlimit lower = old_;
            lower.rlim_cur = bytes;
            active_ = ::setrlimit(RLIMIT_AS, &lower) == 0;
        }
    }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;
    ~AddressSpaceLimit() {
        if (active_)
            ::setrlimit(RLIMIT_AS, &old_);
    }
    [[nodiscard]] bool Active() const noexcept { return active_; }

private:
    rlimit old_{};
    bool active_ = false;
};

// A listening unix socket at path.
bool ListenAt(const Descriptor& socket, const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socket.Get() < 0 || static_cast<std::size_t>(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    // sockaddr_un is made to be passed as a sockaddr.
    const void* generic = &address;
    return ::bind(socket.Get(), static_cast<const sockaddr*>(generic), sizeof address) == 0 &&
           ::listen(socket.Get(), 1) == 0;
}

// Answers the open dialog as soon as its loop runs, each time it shows, with the next of files in
// turn: faster than a user, for many opens in a row.
class DialogAnswerer : public QObject {
public:
    DialogAnswerer(QFileDialog& dialog, QStringList files)
        : dialog_(dialog), files_(std::move(files)) {
        dialog_.installEventFilter(this);
    }
    ~DialogAnswerer() override { dialog_.removeEventFilter(this); }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    [[nodiscard]] const QString& Last() const noexcept { return last_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &dialog_ && event->type() == QEvent::Show)
            QMetaObject::invokeMethod(
                this, [this] { Answer(); }, Qt::QueuedConnection);
        return false;
    }

private:
    void Answer() {
        last_ = files_[next_];
        next_ = (next_ + 1) % files_.size();
        dialog_.selectFile(last_);
        QDialog& asDialog = dialog_; // done() is public there
        asDialog.done(QDialog::Accepted);
    }

    QFileDialog& dialog_;
    QStringList files_;
    qsizetype next_ = 0;
    QString last_;
};

const QByteArray kGoodFile = "1:Setup\r\n2:Scale\r\n3:Capacity\r\n2:Serial\r\n";
const QString kGoodOutline = QStringLiteral("Setup+\n"
                                            "  Scale+\n"
                                            "    Capacity\n"
                                            "  Serial\n");
const QByteArray kSmallFile = "1:Printer\n2:Header\n";
const QString kSmallOutline = QStringLiteral("Printer+\n"
                                             "  Header\n");

// The test program is named QELView.robustness-test: the title is its name up to the first ".",
// the rest after the first character in lower case.
const QString kTitle = QStringLiteral("Qelview");

enum class Unopenable {
    Missing,
    Folder,
    NoReadPermission,
    FifoWithoutWriter,
    FifoWithWriterAndData,
    ZeroDevice,
    UnixSocket,
};

} // namespace

Q_DECLARE_METATYPE(Unopenable)

class RobustnessTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void unopenablePathIsReportedAndLeavesTheOutline_data();
    void unopenablePathIsReportedAndLeavesTheOutline();
    void folderTypedIntoTheDialogIsEnteredNotOpened();
    void oddBytesShowAsTheCoreReadsThem_data();
    void oddBytesShowAsTheCoreReadsThem();
    void chainAMillionLevelsDeepOpens();
    void outOfMemoryIsReportedAndTheWindowGoesOn();
    void everyMemoryLimitGivesTheOutlineOrTheOutOfMemoryBox();
    void opensInARowKeepDescriptorsAndMemoryFlat();
    void copiesInARowKeepDescriptorsAndMemoryFlat();

private:
    // Presses F3 and lets drive work the dialog from inside its event loop.
    void Open(const std::function<void(QFileDialog*)>& drive);
    void OpenFile(const QString& path);
    // Opens path and returns the box it led to, if any.
    std::shared_ptr<BoxSeen> OpenRecordingBox(const QString& path);
    // Runs this program again for the current case alone, with extra in its environment, and
    // passes or skips as that run does.
    void RunCaseInChild(const QProcessEnvironment& extra);
    [[nodiscard]] QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    std::unique_ptr<TFrmMain> window_;
};

void RobustnessTest::initTestCase() {
    QVERIFY(dir_.isValid());
    qel::test::WriteFile(Path("good.QEL"), kGoodFile);
    qel::test::WriteFile(Path("small.QEL"), kSmallFile);
}

void RobustnessTest::init() {
    window_ = qel::test::ShowMainWindow();
    QVERIFY(window_);
}

void RobustnessTest::cleanup() {
    window_.reset();
}

void RobustnessTest::Open(const std::function<void(QFileDialog*)>& drive) {
    QVERIFY2(qel::test::PressF3AndDrive(window_.get(), drive), "F3 showed no file dialog");
}

void RobustnessTest::OpenFile(const QString& path) {
    Open([&](QFileDialog* dialog) {
        qel::test::TypeFileName(dialog, path);
        qel::test::ClickOpen(dialog);
    });
}

std::shared_ptr<BoxSeen> RobustnessTest::OpenRecordingBox(const QString& path) {
    const auto box = std::make_shared<BoxSeen>();
    const QObject scope;
    Open([&](QFileDialog* dialog) {
        qel::test::RecordNextBox(&scope, box);
        qel::test::TypeFileName(dialog, path);
        qel::test::ClickOpen(dialog);
    });
    return box;
}

void RobustnessTest::RunCaseInChild(const QProcessEnvironment& extra) {
    QString testCase = QString::fromLatin1(QTest::currentTestFunction());
    if (const char* tag = QTest::currentDataTag())
        testCase += u':' + QString::fromLatin1(tag);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    environment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {testCase});
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    if (!child.waitForFinished(90'000)) {
        child.kill();
        child.waitForFinished();
        QFAIL(qPrintable("the run for this case alone did not end:\n" +
                         QString::fromLocal8Bit(child.readAll())));
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == kCannotSwitchUser)
        QSKIP(qPrintable("cannot switch to an unprivileged user:\n" + output));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             qPrintable(output));
    const QString verdict = QStringLiteral("RobustnessTest::%1").arg(testCase.section(u':', 0, 0));
    if (output.contains(QStringLiteral("SKIP   : ") + verdict))
        QSKIP(qPrintable("skipped in its own process:\n" + output));
    QVERIFY2(output.contains(QStringLiteral("PASS   : ") + verdict), qPrintable(output));
}

void RobustnessTest::unopenablePathIsReportedAndLeavesTheOutline_data() {
    QTest::addColumn<Unopenable>("kind");
    QTest::newRow("missing file") << Unopenable::Missing;
    QTest::newRow("folder") << Unopenable::Folder;
    QTest::newRow("no read permission") << Unopenable::NoReadPermission;
    QTest::newRow("FIFO without a writer") << Unopenable::FifoWithoutWriter;
    QTest::newRow("FIFO with a writer and data") << Unopenable::FifoWithWriterAndData;
    QTest::newRow("/dev/zero") << Unopenable::ZeroDevice;
    QTest::newRow("unix socket") << Unopenable::UnixSocket;
}

void RobustnessTest::unopenablePathIsReportedAndLeavesTheOutline() {
    QFETCH(Unopenable, kind);
    if (kind == Unopenable::NoReadPermission && ::geteuid() == 0 && !InChild()) {
        // Root reads every file: the case runs as nobody, in a runtime folder of its own.
        const QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        const QByteArray folder = QFile::encodeName(runtime.path());
        QVERIFY(::chown(folder.constData(), kNobody, kNobody) == 0);
        QProcessEnvironment extra;
        extra.insert(QString::fromLatin1(kRunAsVariable), QString::number(kNobody));
        extra.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        extra.insert(QStringLiteral("HOME"), runtime.path());
        RunCaseInChild(extra);
        return;
    }

    // Files of this case's own, made by whoever runs it.
    QTemporaryDir files;
    QVERIFY(files.isValid());
    QString path;
    std::unique_ptr<Descriptor> held;
    switch (kind) {
    case Unopenable::Missing:
        path = files.filePath("missing.QEL");
        break;
    case Unopenable::Folder:
        path = files.filePath("folder.QEL");
        QVERIFY(QDir().mkdir(path));
        break;
    case Unopenable::NoReadPermission:
        path = files.filePath("locked.QEL");
        qel::test::WriteFile(path, kSmallFile);
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        if (QFile probe(path); probe.open(QIODevice::ReadOnly))
            QSKIP("this user reads files without read permission");
        break;
    case Unopenable::FifoWithoutWriter:
    case Unopenable::FifoWithWriterAndData:
        path = files.filePath("pipe.QEL");
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
        if (kind == Unopenable::FifoWithWriterAndData) {
            // Read and write: opens without waiting for a reader, and stays attached.
            held = std::make_unique<Descriptor>(
                ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
            QVERIFY(held->Get() >= 0);
            QCOMPARE(::write(held->Get(), kSmallFile.constData(),
                             static_cast<std::size_t>(kSmallFile.size())),
                     static_cast<ssize_t>(kSmallFile.size()));
        }
        break;
    case Unopenable::ZeroDevice:
        path = QStringLiteral("/dev/zero");
        break;
    case Unopenable::UnixSocket:
        path = files.filePath("socket.QEL");
        held = std::make_unique<Descriptor>(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        QVERIFY2(ListenAt(*held, path), std::strerror(errno));
        break;
    }

    OpenFile(Path("good.QEL"));
    QCOMPARE(Dump(*window_->tvSettings), kGoodOutline);

    const auto box = std::make_shared<BoxSeen>();
    const QObject scope;
    Open([&](QFileDialog* dialog) {
        qel::test::RecordNextBox(&scope, box);
        qel::test::TypeFileName(dialog, path);
        if (kind == Unopenable::Folder) {
            // The dialog enters a folder rather than returning it (see
            // folderTypedIntoTheDialogIsEnteredNotOpened); accepted as it stands, it returns the
            // folder's name to the command.
            QDialog* asDialog = dialog; // done() is public there
            asDialog->done(QDialog::Accepted);
        } else {
            qel::test::ClickOpen(dialog);
        }
    });
    QVERIFY2(box->shown, "no error box");
    QCOMPARE(box->text, QStringLiteral("Cannot open file ") + path + u'.');
    QCOMPARE(box->title, kTitle);
    QCOMPARE(box->icon, QMessageBox::Critical);
    QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(Dump(*window_->tvSettings), kGoodOutline);
    QVERIFY(window_->isEnabled());
}

void RobustnessTest::folderTypedIntoTheDialogIsEnteredNotOpened() {
    OpenFile(Path("good.QEL"));
    const QString folder = Path("folder.QEL");
    QVERIFY(QDir().mkpath(folder));
    const auto box = std::make_shared<BoxSeen>();
    const QObject scope;
    bool stayedInFolder = false;
    Open([&](QFileDialog* dialog) {
        qel::test::RecordNextBox(&scope, box);
        qel::test::TypeFileName(dialog, folder);
        qel::test::ClickOpen(dialog);
        stayedInFolder = dialog->isVisible() && dialog->directory().absolutePath() == folder;
        qel::test::ClickCancel(dialog);
    });
    QVERIFY(stayedInFolder);
    QVERIFY(!box->shown);
    QCOMPARE(Dump(*window_->tvSettings), kGoodOutline);
}

void RobustnessTest::oddBytesShowAsTheCoreReadsThem_data() {
    QTest::addColumn<QByteArray>("bytes");
    // The outline worked out by hand from the rules, where it is small enough to be; empty where
    // only the comparison with the core applies.
    QTest::addColumn<QString>("outline");

    QTest::newRow("binary without NUL bytes") << RandomBytes(32 * 1024, false) << QString();
    QTest::newRow("binary with NUL bytes") << RandomBytes(32 * 1024, true) << QString();
    QByteArray everyByte = "1:Root\n";
    for (int byte = 1; byte < 256; ++byte)
        everyByte += "2:" + QByteArray(1, static_cast<char>(byte)) + "x\n";
    QTest::newRow("every byte value") << everyByte << QString();
    // A NUL byte ends the text.
    static constexpr char kNulInside[] = "1:Root\r\n2:Kept\0 gone\r\n2:Gone\r\n";
    QTest::newRow("NUL bytes") << QByteArray(kNulInside, sizeof kNulInside - 1)
                               << QStringLiteral("Root+\n  Kept\n");
    // UTF-16 text ends at its first NUL byte, right after its first character.
    QTest::newRow("UTF-16LE with byte-order mark")
        << Utf16(QStringLiteral("1:Root\r\n2:Child\r\n"), false, true)
        << QString::fromUtf8("\u00ff\u00fe1\n");
    QTest::newRow("UTF-16BE with byte-order mark")
        << Utf16(QStringLiteral("1:Root\r\n2:Child\r\n"), true, true)
        << QString::fromUtf8("\u00fe\u00ff\n");
    QTest::newRow("UTF-16LE without byte-order mark")
        << Utf16(QStringLiteral("1:Root\r\n2:Child\r\n"), false, false) << QStringLiteral("1\n");
    // The mark's three bytes push the first colon to position 5: no key line.
    QTest::newRow("UTF-8 byte-order mark before a key line")
        << QByteArray("\xEF\xBB\xBF"
                      "1:Setup\r\n2:Scale\r\n3:Capacity\r\n")
        << QStringLiteral("Scale+\n  Capacity\n");
    QTest::newRow("UTF-8 byte-order mark before a line without colon")
        << QByteArray("\xEF\xBB\xBF"
                      "Root\n2:Child\n")
        << QString::fromUtf8("\u00ef\u00bb\u00bfRoot+\n  Child\n");
    QTest::newRow("UTF-8 text, two characters a letter")
        << QByteArray("1:Caf\xC3\xA9\n2:\xE2\x82\xAC 5\n")
        << QString::fromUtf8("Caf\u00c3\u00a9+\n  \u00e2\u201a\u00ac 5\n");
}

void RobustnessTest::oddBytesShowAsTheCoreReadsThem() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outline);
    const QString path = Path("odd.QEL");
    qel::test::WriteFile(path, bytes);
    QCOMPARE(QFileInfo(path).size(), bytes.size());

    const std::shared_ptr<BoxSeen> box = OpenRecordingBox(path);
    QVERIFY2(!box->shown, qPrintable(box->text));
    const QStringList shown = ModelOutline(*window_->tvSettings->model());
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown, CoreOutlineOf(bytes));
    if (!outline.isEmpty())
        QCOMPARE(Dump(*window_->tvSettings), outline);
    // Painted without harm, control characters and all.
    QVERIFY(!window_->tvSettings->grab().isNull());
}

void RobustnessTest::chainAMillionLevelsDeepOpens() {
    constexpr int kItems = 1'000'000;
    constexpr int kDisplayDepth = TTreeView::kMaxExpandedLevel;
    const QString path = Path("chain.QEL");
    qel::test::WriteFile(path, Chain(kItems));

    const std::shared_ptr<BoxSeen> box = OpenRecordingBox(path);
    QVERIFY2(!box->shown, qPrintable(box->text));

    TTreeView& view = *window_->tvSettings;
    const QAbstractItemModel& model = *view.model();
    QCOMPARE(model.rowCount(), 1);
    // Down the chain through the model: one child a level, every level there.
    int levels = 0;
    int branched = 0;
    QModelIndex deepest;
    QModelIndex lastExpandable;
    QModelIndex firstCollapsed;
    QModelIndex halfway;
    for (QModelIndex index = model.index(0, 0); index.isValid(); index = model.index(0, 0, index)) {
        if (model.rowCount(index) > 1)
            ++branched;
        if (levels == kDisplayDepth - 1)
            lastExpandable = index;
        else if (levels == kDisplayDepth)
            firstCollapsed = index;
        else if (levels == kItems / 2)
            halfway = index;
        deepest = index;
        ++levels;
    }
    QCOMPARE(levels, kItems);
    QCOMPARE(branched, 0);
    QCOMPARE(deepest.data().toString(), QStringLiteral("Item %1").arg(kItems));
    QCOMPARE(deepest.parent().data().toString(), QStringLiteral("Item %1").arg(kItems - 1));
    QCOMPARE(model.rowCount(deepest), 0);

    // Expanded down to the display depth, and no further, however asked.
    QVERIFY(view.isExpanded(model.index(0, 0)));
    QVERIFY(view.isExpanded(lastExpandable));
    QVERIFY(!view.isExpanded(firstCollapsed));
    view.expand(firstCollapsed);
    view.expand(halfway);
    QVERIFY(!view.isExpanded(firstCollapsed));
    QVERIFY(!view.isExpanded(halfway));
    QVERIFY(!view.selectionModel()->hasSelection());

    // The deepest row shown can be scrolled to and painted.
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QVERIFY(!view.grab().isNull());
    view.scrollTo(firstCollapsed);
    QVERIFY(view.viewport()->rect().intersects(view.visualRect(firstCollapsed)));

    // And the window goes on: the next open replaces the chain.
    OpenFile(Path("small.QEL"));
    QCOMPARE(Dump(view), kSmallOutline);
}

void RobustnessTest::outOfMemoryIsReportedAndTheWindowGoesOn() {
    if (kUnderAddressSanitizer)
        QSKIP("an address-space limit cannot work under AddressSanitizer");
    if (!InChild()) {
        RunCaseInChild({});
        return;
    }
    // In a process of its own, which the limit may not outlive.
    OpenFile(Path("good.QEL"));
    QCOMPARE(Dump(*window_->tvSettings), kGoodOutline);

    // A file of holes: no disk space, yet reading it takes a buffer of its size.
    const QString big = Path("big.QEL");
    {
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(512 * static_cast<qint64>(kMiB)));
    }
    const AddressSpaceLimit limit(ReadStatm().addressSpace + 64 * kMiB);
    QVERIFY(limit.Active());

    const std::shared_ptr<BoxSeen> box = OpenRecordingBox(big);
    QVERIFY2(box->shown, "no error box");
    QCOMPARE(box->text, QStringLiteral("Out of memory."));
    QCOMPARE(box->title, kTitle);
    QCOMPARE(box->icon, QMessageBox::Critical);
    QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(Dump(*window_->tvSettings), kGoodOutline);

    // Still under the limit, the window goes on.
    OpenFile(Path("small.QEL"));
    QCOMPARE(Dump(*window_->tvSettings), kSmallOutline);
}

void RobustnessTest::everyMemoryLimitGivesTheOutlineOrTheOutOfMemoryBox() {
    if (kUnderAddressSanitizer)
        QSKIP("an address-space limit cannot work under AddressSanitizer");
    if (!InChild()) {
        RunCaseInChild({});
        return;
    }
    // 10 MB of text, which takes several times that once read, split, built into items and laid
    // out in the view. The window itself is left a few MB (with none at all, not even the error
    // box can show); above that, limits from nothing to spare up to plenty, in even steps, run out
    // at each of those stages in turn.
    constexpr int kChildren = 400'000;
    constexpr std::size_t kItems = kChildren + 1;
    constexpr std::size_t kForTheWindow = 8 * kMiB;
    constexpr std::size_t kRange = 48 * kMiB;
    constexpr std::size_t kSteps = 24;
    const QString path = Path("many.QEL");
    qel::test::WriteFile(path, Siblings(kChildren));

    int failedLoads = 0;
    int refusedLayouts = 0;
    int complete = 0;
    for (std::size_t step = 0; step <= kSteps; ++step) {
        OpenFile(Path("good.QEL"));
        QCOMPARE(Dump(*window_->tvSettings), kGoodOutline);
        const std::size_t extra = kRange * step / kSteps;
        const QString where =
            QStringLiteral("%1 MB to spare: ").arg(static_cast<double>(extra) / kMiB);
        TTreeView& view = *window_->tvSettings;
        std::shared_ptr<BoxSeen> box;
        auto starBox = std::make_shared<BoxSeen>();
        {
            const AddressSpaceLimit limit(ReadStatm().addressSpace + kForTheWindow + extra);
            QVERIFY(limit.Active());
            box = OpenRecordingBox(path);
            if (box->shown && view.Items().Items().Count() == kItems) {
                // "*" on the root asks for the same expansion, and gets the same answer.
                const QObject scope;
                qel::test::RecordNextBox(&scope, starBox);
                view.setCurrentIndex(view.model()->index(0, 0));
                QTest::keyClick(&view, Qt::Key_Asterisk);
            }
        }
        const std::size_t items = view.Items().Items().Count();
        const bool expanded = view.isExpanded(view.model()->index(0, 0));
        if (box->shown) {
            QVERIFY2(box->text == QStringLiteral("Out of memory."), qPrintable(where + box->text));
            QVERIFY2(box->title == kTitle, qPrintable(where + box->title));
            // The outline unchanged, or the items built so far and nothing expanded.
            if (items == 4 && Dump(view) == kGoodOutline) {
                ++failedLoads;
            } else {
                QVERIFY2(items <= kItems && !expanded, qPrintable(where + Dump(view)));
                if (items == kItems) {
                    ++refusedLayouts;
                    QVERIFY2(starBox->text == QStringLiteral("Out of memory."),
                             qPrintable(where + "after *: " + starBox->text));
                }
            }
        } else {
            ++complete;
            QVERIFY2(items == kItems, qPrintable(where + "items lost"));
            QVERIFY2(expanded, qPrintable(where + "not expanded"));
        }
        // The window goes on.
        OpenFile(Path("small.QEL"));
        QVERIFY2(Dump(view) == kSmallOutline, qPrintable(where + Dump(view)));
    }
    QVERIFY2(failedLoads > 0, "no limit ran out while the file was read");
    QVERIFY2(refusedLayouts > 0, "no limit ran out in the view's layout");
    QVERIFY2(complete > 0, "no limit was enough");
}

void RobustnessTest::opensInARowKeepDescriptorsAndMemoryFlat() {
    constexpr int kWarmUp = 50;
    // Under AddressSanitizer an open takes some 11 ms, four times as long: fewer keep the test
    // within seconds, and a leak of one descriptor or one file per open still shows plainly.
    constexpr int kOpens = kUnderAddressSanitizer ? 300 : 1000;
    // Two files in turn, so that every open visibly replaces the outline; each some 250 KB, so that
    // keeping a file's bytes on each open would add 250 MB.
    const QString first = Path("first.QEL");
    const QString second = Path("second.QEL");
    qel::test::WriteFile(first, Siblings(10'000));
    qel::test::WriteFile(second, Siblings(9'000));

    OpenFile(first);
    const DialogAnswerer answerer(*window_->OpenDialog, {second, first});
    const auto open = [&] {
        QTest::keyClick(window_.get(), Qt::Key_F3);
        return window_->tvSettings->Items().Items().Count() ==
               (answerer.Last() == first ? 10'001u : 9'001u);
    };
    for (int i = 0; i < kWarmUp; ++i)
        QVERIFY(open());
    const ResourceUse before = ResourceUse::Now();
    const QSignalSpy resets(window_->tvSettings->model(), &QAbstractItemModel::modelReset);
    int wrong = 0;
    for (int i = 0; i < kOpens; ++i)
        wrong += open() ? 0 : 1;
    QCOMPARE(wrong, 0);
    QCOMPARE(resets.count(), kOpens);
    VerifyFlatSince(before, kOpens, "opens");
}

void RobustnessTest::copiesInARowKeepDescriptorsAndMemoryFlat() {
    constexpr int kWarmUp = 20;
    constexpr int kCopies = 1000;
    // Each image of the client area is more than 1 MB: keeping one on each copy would add 1 GB.
    OpenFile(Path("good.QEL"));
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (int i = 0; i < kWarmUp; ++i)
        window_->CopytoClipboard1->trigger();
    const ResourceUse before = ResourceUse::Now();
    const QSignalSpy copies(clipboard, &QClipboard::dataChanged);
    for (int i = 0; i < kCopies; ++i)
        window_->CopytoClipboard1->trigger();
    QCOMPARE(copies.count(), kCopies);
    VerifyFlatSince(before, kCopies, "copies");
    if (QTest::currentTestFailed())
        return;
    const int top = window_->menuBar()->geometry().bottom() + 1;
    QCOMPARE(clipboard->image().size(), QSize(window_->width(), window_->height() - top));
}

// The test main of the viewer's tests, which first switches users when asked to: before Qt starts,
// so that nothing of it runs with the rights it gives up.
int main(int argc, char* argv[]) {
    if (const char* user = std::getenv(kRunAsVariable)) {
        if (!SwitchUser(static_cast<unsigned>(std::strtoul(user, nullptr, 10)))) {
            std::fprintf(stderr, "cannot switch to user %s: %s\n", user, std::strerror(errno));
            return kCannotSwitchUser;
        }
    }
    qel::platform::TApplication application(argc, argv);
    application.Initialize();
    RobustnessTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_robustness.moc"
