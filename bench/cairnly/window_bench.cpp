// Delivery of a deep scan's rows to the main window (run by hand): the same
// scan of a tree full of small duplicates, once without a window and once
// through the real main window on the offscreen platform, with the wall and
// processor time of each and the row counts and summaries compared.
// Usage: cairnly_window_bench [TREE_ROOT [GROUPS [COPIES [RUNS]]]]
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/pages/headless_scan_view.h"
#include "cairnly/pages/result_pages.h"
#include "cairnly/window/main_window.h"
#include "tests/shared/fakes.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Shape {
    int groups = 12000;
    int copies = 3;
    int runs = 3;
};

double CpuSeconds() {
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Groups of small copies: a thousand sizes, several groups of each size, each
// copy in its own branch so that folders pair up as partial duplicates too.
// A folder that already exists is scanned as it is and never written to.
void EnsureTree(const std::string& root, const Shape& shape) {
    if (std::filesystem::exists(root)) {
        std::printf("scanning the existing tree %s\n", root.c_str());
        return;
    }
    // Made beside it and renamed when complete, so an interrupted run leaves no half tree.
    const std::string making = root + ".making";
    std::filesystem::remove_all(making);
    for (int g = 0; g < shape.groups; ++g) {
        std::mt19937 random(static_cast<unsigned>(g) + 1);
        std::string bytes(static_cast<std::size_t>(64 + g % 1000), '\0');
        for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
        for (int c = 0; c < shape.copies; ++c) {
            std::string folder =
                making + "/copy" + std::to_string(c) + "/d" + std::to_string(g / 100);
            std::filesystem::create_directories(folder);
            std::ofstream(folder + "/f" + std::to_string(g) + ".bin", std::ios::binary) << bytes;
        }
    }
    std::filesystem::rename(making, root);
}

struct Outcome {
    double wall = 0, cpu = 0;
    int rows = 0;
    std::string summary;
};

template <typename Run>
Outcome Measure(Run run) {
    Outcome outcome;
    double cpu = CpuSeconds();
    auto start = Clock::now();
    run(outcome);
    outcome.wall = std::chrono::duration<double>(Clock::now() - start).count();
    outcome.cpu = CpuSeconds() - cpu;
    return outcome;
}

Outcome Headless(cairnly::ScanSettings& settings, shared::DesktopServices& services) {
    return Measure([&](Outcome& outcome) {
        cairnly::CairnlyState state(settings, services);
        cairnly::pages::NullPageView pageView;
        cairnly::pages::ResultPages pages(state, pageView);
        cairnly::pages::HeadlessScanView view(pages);
        cairnly::pages::RunScanToEnd(state, view);
        outcome.rows = pages.PageRowCount(cairnly::kDuplicatesPage);
        outcome.summary = state.PageStatusText(cairnly::kDuplicatesPage);
    });
}

Outcome Windowed(cairnly::ScanSettings& settings, shared::DesktopServices& services) {
    // Nothing in a scan asks a question or opens a folder.
    testing_support::FakePrompter prompter;
    testing_support::FakeOpener opener;
    cairnly::ScanSettingsStore store(services);
    cairnly::CairnlyState state(settings, services);
    cairnly::MainWindow window(state, store, prompter, opener);
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
    return Measure([&](Outcome& outcome) {
        window.StartCommand();
        while (state.Scan.Busy()) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        QApplication::processEvents();
        outcome.rows = window.PageLogic().PageRowCount(cairnly::kDuplicatesPage);
        outcome.summary = state.PageStatusText(cairnly::kDuplicatesPage);
    });
}

void Print(const char* what, const Outcome& outcome) {
    std::printf("%-10s wall %7.3f s  cpu %7.3f s  rows %d\n", what, outcome.wall, outcome.cpu,
                outcome.rows);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string root = argc > 1 ? argv[1] : "/tmp/cairnly-window-bench";
    Shape shape;
    if (argc > 2) shape.groups = std::atoi(argv[2]);
    if (argc > 3) shape.copies = std::atoi(argv[3]);
    if (argc > 4) shape.runs = std::atoi(argv[4]);
    EnsureTree(root, shape);
    // The window never writes settings here, but keep any attempt out of the user's home.
    const std::string home = QDir::tempPath().toStdString() + "/cairnly-window-bench-home";
    std::filesystem::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);

    cairnly::ScanSettings settings;
    settings.SetDefaults();
    settings.SetRootFolder(root);
    settings.SetMinFileSizeMB(0);
    settings.SetMinFolderSizeMB(0);
    settings.SetDuplicateMode(2);
    shared::DesktopServices services("Cairnly", [] { return 0; });
    std::printf("tree %s (generated ones: %d groups x %d copies)\n", root.c_str(), shape.groups,
                shape.copies);
    double bestHeadless = 1e30, bestWindow = 1e30;
    bool same = true;
    for (int run = 0; run < shape.runs; ++run) {
        Outcome headless = Headless(settings, services);
        Outcome window = Windowed(settings, services);
        Print("headless", headless);
        Print("window", window);
        same = same && headless.rows == window.rows && headless.summary == window.summary;
        bestHeadless = std::min(bestHeadless, headless.wall);
        bestWindow = std::min(bestWindow, window.wall);
    }
    std::printf("best: headless %.3f s, window %.3f s, window/headless %.2f; %s\n", bestHeadless,
                bestWindow, bestWindow / bestHeadless,
                same ? "same rows and summary" : "ROWS OR SUMMARY DIFFER");
    return same ? 0 : 1;
}
