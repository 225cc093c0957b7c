// Opens settings files in the viewer's window on Qt's offscreen platform and prints how long it
// takes until the outline is painted, and the peak memory:
//   - a file of 1,000,000 items, fully expanded, against the same file put into an
//     item-at-a-time QTreeWidget (each item inserted into the live view as it is found, then
//     expandAll), in the same run;
//   - a chain 1,000,000 levels deep;
//   - a small file, painted how many milliseconds after the start of a fresh process.
// Usage: qelview_bench [items]   (QT_QPA_PLATFORM=offscreen is set when unset)
#include "main.h"
#include "outline_builder.h"
#include "platform/application.h"
#include "tree_nodes.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Peak resident memory of this process in MB since the last ResetPeak. Memory the allocator kept
// after an earlier phase counts as resident, so the phases run from the smallest to the largest.
double PeakMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return 0;
}

double CurrentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A settings file shaped like a large real one: groups of sections of keys, three levels below
// the root, items lines in all.
std::string WideFile(const std::string& path, long items) {
    std::ofstream out(path, std::ios::binary);
    long written = 1;
    out << "1:Settings\r\n";
    for (long group = 0; written < items; ++group) {
        out << "2:Group " << group << "\r\n";
        ++written;
        for (int section = 0; section < 10 && written < items; ++section) {
            out << "3:Section " << group << '.' << section << "\r\n";
            ++written;
            for (int key = 0; key < 98 && written < items; ++key, ++written)
                out << "4:Key " << key << " = value " << group * 1000 + key << "\r\n";
        }
    }
    return path;
}

// "Item 1" is the root; each "Item n" (a key line without a colon, level number n) nests under
// the one before.
std::string ChainFile(const std::string& path, long items) {
    std::ofstream out(path, std::ios::binary);
    for (long n = 1; n <= items; ++n)
        out << "Item " << n << "\r\n";
    return path;
}

void Paint(QWidget& widget) {
    widget.repaint();
    QApplication::processEvents();
}

struct Figures {
    double loadBuildMs;
    double expandMs;
    double paintMs;
    double peakMb;
    [[nodiscard]] double TotalMs() const { return loadBuildMs + expandMs + paintMs; }
};

// The Open command's work after the dialog, timed in its parts.
Figures OpenInWindow(TFrmMain& window, const std::string& path) {
    ResetPeak();
    const auto start = Clock::now();
    qel::TStringList lines;
    lines.LoadFromFile(path);
    {
        const qel::platform::TTreeNodesModel::Change change(window.tvSettings->Items());
        qel::BuildOutline(lines, change.Items());
    }
    const double built = MsSince(start);
    window.tvSettings->FullExpand();
    window.tvSettings->selectionModel()->clear();
    const double expanded = MsSince(start);
    Paint(*window.tvSettings);
    const double painted = MsSince(start);
    return {built, expanded - built, painted - expanded, PeakMb()};
}

// The baseline: the same file read by the same core, each item then inserted into a live
// QTreeWidget one at a time, in file order, and the whole tree expanded.
Figures OpenInTreeWidget(QTreeWidget& tree, const std::string& path) {
    ResetPeak();
    const auto start = Clock::now();
    qel::TStringList lines;
    lines.LoadFromFile(path);
    qel::TTreeNodes nodes;
    qel::BuildOutline(lines, nodes);
    std::vector<QTreeWidgetItem*> items(nodes.Count());
    for (qel::TTreeNode node = 0; node < nodes.Count(); ++node) {
        const std::string_view caption = nodes.Caption(node);
        const QString text =
            QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
        const qel::TTreeNode parent = nodes.Parent(node);
        if (parent == qel::kNoNode) {
            items[node] = new QTreeWidgetItem(&tree, QStringList{text});
        } else {
            items[node] = new QTreeWidgetItem(items[parent], QStringList{text});
        }
    }
    const double built = MsSince(start);
    tree.expandAll();
    const double expanded = MsSince(start);
    Paint(tree);
    const double painted = MsSince(start);
    return {built, expanded - built, painted - expanded, PeakMb()};
}

void Print(const char* what, const Figures& f) {
    std::printf("  %-28s load+build %7.1f ms, expand %7.1f ms, paint %6.1f ms: %8.1f ms; "
                "peak %6.1f MB\n",
                what, f.loadBuildMs, f.expandMs, f.paintMs, f.TotalMs(), f.peakMb);
}

// The child process of the start-up figure: the viewer's start-up sequence, the small file
// opened, the window painted; prints the milliseconds since main began.
int StartSmall(int argc, char* argv[], const std::string& path) {
    const auto start = Clock::now();
    qel::platform::TApplication application(argc, argv);
    application.Initialize();
    application.CreateForm(FrmMain);
    FrmMain->show();
    qel::TStringList lines;
    lines.LoadFromFile(path);
    FrmMain->BuildOutline(lines);
    Paint(*FrmMain);
    std::printf("%.1f\n", MsSince(start));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc == 3 && std::string(argv[1]) == "--start-small")
        return StartSmall(argc, argv, argv[2]);

    const long items = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1'000'000;
    qel::platform::TApplication application(argc, argv);
    application.Initialize();
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string wide = WideFile(folder + "/wide.QEL", items);
    const std::string chain = ChainFile(folder + "/chain.QEL", items);
    const std::string small = WideFile(folder + "/small.QEL", 200);

    std::printf("qelview_bench: %ld items, offscreen platform, %d cores\n", items,
                QThread::idealThreadCount());
    std::printf("RSS with Qt started, before any file: %.1f MB; peaks below are of the whole "
                "process\n",
                CurrentMb());

    Figures ours{};
    {
        TFrmMain window;
        window.show();
        Paint(window);
        ours = OpenInWindow(window, wide);
        Print("window (wide file)", ours);
        const Figures again = OpenInWindow(window, wide);
        Print("window, opened again", again);
    }
    {
        TFrmMain window;
        window.show();
        Paint(window);
        const Figures deep = OpenInWindow(window, chain);
        Print("window (chain)", deep);
        std::printf("  %-28s %zu items, levels 0 to %d expanded\n", "window (chain)",
                    window.tvSettings->Items().Items().Count(),
                    qel::platform::TTreeView::kMaxExpandedLevel - 1);
        // Scrolled to the deepest shown level: every row there draws thousands of ancestor lines.
        window.tvSettings->scrollTo(window.tvSettings->model()->index(0, 0));
        const auto start = Clock::now();
        QModelIndex deepest = window.tvSettings->model()->index(0, 0);
        for (int level = 0; level < qel::platform::TTreeView::kMaxExpandedLevel; ++level)
            deepest = window.tvSettings->model()->index(0, 0, deepest);
        window.tvSettings->scrollTo(deepest);
        Paint(*window.tvSettings);
        std::printf("  %-28s scrolled to level %d and painted in %.1f ms\n", "window (chain)",
                    qel::platform::TTreeView::kMaxExpandedLevel, MsSince(start));
    }

    Figures widget{};
    {
        QTreeWidget tree;
        tree.setHeaderHidden(true);
        tree.setUniformRowHeights(true);
        tree.resize(639, 416);
        tree.show();
        Paint(tree);
        widget = OpenInTreeWidget(tree, wide);
        Print("QTreeWidget baseline", widget);
        const auto start = Clock::now();
        tree.clear();
        std::printf("  %-28s teardown %.1f ms\n", "QTreeWidget baseline", MsSince(start));
    }
    std::printf("  ratio baseline / window: %.1fx\n", widget.TotalMs() / ours.TotalMs());

    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        QProcess child;
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--start-small"), QString::fromStdString(small)});
        child.waitForReadyRead(10000);
        const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const double inProcess = child.readAllStandardOutput().trimmed().toDouble();
        child.waitForFinished(10000);
        std::printf("  small file (200 items) painted: %.1f ms after process start, %.1f ms "
                    "after main\n",
                    wall, inProcess);
        best = std::min(best, wall);
    }
    std::printf("  small file best: %.1f ms\n", best);
    return 0;
}
