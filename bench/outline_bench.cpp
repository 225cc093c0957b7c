// Benchmark of the settings-outline core: load + split + build for generated files, against the
// floor of reading the same file and counting its lines with memchr. Each input runs in a child
// process so that its peak memory is its own.
#include "content.h"
#include "outline_builder.h"
#include "string_list.h"
#include "tree_nodes.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Resident set size now, in bytes (from /proc/self/statm).
std::size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    std::size_t resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

std::size_t PeakResidentBytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

// A settings file of realistic shape: a device root with sections, nested parameters and some
// comment lines that are not key lines.
void WriteRealistic(const std::filesystem::path& path, std::size_t lines) {
    std::ofstream out(path, std::ios::binary);
    out << "Comment: generated settings\r\n1:Device QX-200\r\n";
    std::size_t written = 2;
    std::size_t section = 0;
    while (written < lines) {
        out << "2:Section " << section++ << "\r\n";
        ++written;
        for (int group = 0; group < 4 && written < lines; ++group) {
            out << "3:Group " << group << " of section\r\n";
            ++written;
            for (int p = 0; p < 6 && written < lines; ++p, ++written) {
                if (p == 5)
                    out << "Note: checked on site " << p << "\r\n"; // not a key line
                else
                    out << "4:Parameter " << p << " = "
                        << (section * 7 + static_cast<std::size_t>(p)) % 1000 << ".25\r\n";
            }
        }
    }
}

// A chain of colon-less numbered lines: each line's level number is one more than the last's.
void WriteChain(const std::filesystem::path& path, std::size_t depth) {
    std::ofstream out(path, std::ios::binary);
    out << "Root\n";
    for (std::size_t level = 2; level <= depth; ++level)
        out << "Level " << level << "\n";
}

struct Timing {
    double floorRead = 1e9;  // read the file into one buffer
    double floorCount = 1e9; // memchr line count on that buffer
    double load = 1e9;       // LoadFromFile: read + split
    double build = 1e9;      // BuildOutline
    [[nodiscard]] double Floor() const { return floorRead + floorCount; }
    [[nodiscard]] double Total() const { return load + build; }
};

struct Shape {
    std::size_t fileBytes = 0;
    std::size_t lines = 0;
    std::size_t items = 0;
    std::size_t peakGrowth = 0;     // peak RSS above the start during load + build
    std::size_t retainedGrowth = 0; // RSS above the start with only the outline kept
};

std::size_t CountLines(std::string_view text) {
    std::size_t count = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (const void* hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
        ++count;
        p = static_cast<const char*>(hit) + 1;
    }
    return count;
}

void TimeFloor(const std::string& path, Timing& t) {
    const auto t0 = Clock::now();
    const auto content = qel::Content::ReadFile(path);
    const auto t1 = Clock::now();
    volatile std::size_t counted = CountLines(content->Bytes());
    const auto t2 = Clock::now();
    (void)counted;
    t.floorRead = std::min(t.floorRead, Seconds(t1 - t0));
    t.floorCount = std::min(t.floorCount, Seconds(t2 - t1));
}

void TimeBuild(const std::string& path, Timing& t, Shape* shape) {
    const std::size_t start = ResidentBytes();
    qel::TTreeNodes nodes;
    {
        const auto t0 = Clock::now();
        qel::TStringList lines;
        lines.LoadFromFile(path);
        const auto t1 = Clock::now();
        const std::size_t lineCount = lines.Count();
        qel::BuildOutline(lines, nodes);
        const auto t2 = Clock::now();
        t.load = std::min(t.load, Seconds(t1 - t0));
        t.build = std::min(t.build, Seconds(t2 - t1));
        if (shape != nullptr) {
            shape->lines = lineCount;
            shape->fileBytes = lines.SharedContent()->Bytes().size();
        }
    }
    if (shape != nullptr) {
        (void)nodes.Child(qel::kNoNode, 0); // the child index, as a view makes it
        shape->items = nodes.Count();
        shape->peakGrowth = PeakResidentBytes() - start;
        shape->retainedGrowth = ResidentBytes() - start;
    }
}

void Report(const char* name, const Shape& s, const Timing& cold, const Timing& warm) {
    const double mb = static_cast<double>(s.fileBytes) / 1e6;
    const auto perItem = [&](std::size_t growth) {
        return s.items == 0 ? 0.0
                            : (static_cast<double>(growth) - static_cast<double>(s.fileBytes)) /
                                  static_cast<double>(s.items);
    };
    std::printf("%s\n", name);
    std::printf("  file %.1f MB, %zu lines, %zu items\n", mb, s.lines, s.items);
    const auto row = [&](const char* label, const Timing& t) {
        std::printf("  %s: load+split %.3f s + build %.3f s = %.3f s (%.0f MB/s); floor: read "
                    "%.3f s + memchr line count %.3f s = %.3f s; ratio %.2f (goal <= 2)\n",
                    label, t.load, t.build, t.Total(), mb / t.Total(), t.floorRead, t.floorCount,
                    t.Floor(), t.Total() / t.Floor());
    };
    row("first run in a fresh process", cold);
    row("best repeated run           ", warm);
    std::printf("  memory: peak %.1f MB above start = file + %.1f B/item; kept with the outline "
                "%.1f MB = file + %.1f B/item (goal: file + 32 B/item)\n",
                static_cast<double>(s.peakGrowth) / 1e6, perItem(s.peakGrowth),
                static_cast<double>(s.retainedGrowth) / 1e6, perItem(s.retainedGrowth));
    std::fflush(stdout);
}

// Runs fn in a child process, so that the figures of one run do not depend on the memory that
// an earlier run left to the allocator; results come back through a pipe.
template <typename Result, typename Fn> Result InChild(Fn&& fn) {
    std::array<int, 2> pipe{};
    if (::pipe(pipe.data()) != 0)
        return {};
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const Result result = fn();
        (void)!::write(pipe[1], &result, sizeof result);
        ::_exit(0);
    }
    ::close(pipe[1]);
    Result result{};
    (void)!::read(pipe[0], &result, sizeof result);
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return result;
}

void Measure(const char* name, const std::string& path, int repetitions) {
    struct ColdBuild {
        Timing timing;
        Shape shape;
    };
    const auto coldFloor = InChild<Timing>([&] {
        Timing t;
        TimeFloor(path, t);
        return t;
    });
    const auto coldBuild = InChild<ColdBuild>([&] {
        ColdBuild r;
        TimeBuild(path, r.timing, &r.shape);
        return r;
    });
    Timing cold = coldBuild.timing;
    cold.floorRead = coldFloor.floorRead;
    cold.floorCount = coldFloor.floorCount;
    const auto warm = InChild<Timing>([&] {
        Timing t;
        for (int r = 0; r < repetitions; ++r) {
            TimeFloor(path, t);
            TimeBuild(path, t, nullptr);
        }
        return t;
    });
    Report(name, coldBuild.shape, cold, warm);
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1 ? std::filesystem::path(argv[1])
                                               : std::filesystem::temp_directory_path() /
                                                     ("qel-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);

    struct Input {
        const char* name;
        std::filesystem::path path;
        std::function<void(const std::filesystem::path&)> write;
        int repetitions;
    };
    const std::vector<Input> inputs = {
        {"1,000,000 lines of realistic shape", dir / "realistic-1m.QEL",
         [](const auto& p) { WriteRealistic(p, 1'000'000); }, 5},
        {"chain of 100,000 levels (colon-less numbered lines)", dir / "chain-100k.QEL",
         [](const auto& p) { WriteChain(p, 100'000); }, 5},
        {"11,500,000 lines of realistic shape (over 256 MiB)", dir / "realistic-large.QEL",
         [](const auto& p) { WriteRealistic(p, 11'500'000); }, 3},
    };
    std::printf("QEL outline core benchmark\n\n");
    for (const Input& input : inputs) {
        if (!std::filesystem::exists(input.path))
            input.write(input.path);
        Measure(input.name, input.path.string(), input.repetitions);
    }
    if (argc <= 1)
        std::filesystem::remove_all(dir);
    return 0;
}
