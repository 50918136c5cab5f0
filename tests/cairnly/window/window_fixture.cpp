#include "tests/cairnly/window/window_fixture.h"

#include <QApplication>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace cairnly::testing {

std::string TempHome::Folder(const std::string& name) const {
    std::string folder = Path() + "/" + name;
    MakeFolders(folder);
    return folder;
}

shared::BoxAnswer FakePrompter::Ask(const std::string& caption, const std::string& text,
                                    shared::BoxIcon icon, shared::BoxButtons buttons) {
    boxes.push_back({caption, text, icon, buttons});
    if (answers.empty()) return shared::BoxAnswer::Ok;
    shared::BoxAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

bool FakeOpener::OpenAddress(const std::string& address) {
    addresses.push_back(address);
    return succeed;
}

bool FakeOpener::OpenFolder(const std::string& folder) {
    folders.push_back(folder);
    return succeed;
}

ModalRunner FakeModal::Runner() {
    return [this](QDialog& dialog) {
        opened.push_back(dialog.objectName().toStdString());
        if (handler) return handler(dialog);
        dialog.reject();
        return 0;
    };
}

void MakeFolders(const std::string& path) { std::filesystem::create_directories(path); }

void WriteFile(const std::string& path, std::size_t size, unsigned seed) {
    MakeFolders(std::filesystem::path(path).parent_path().string());
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
}

void WriteCopies(const std::vector<std::string>& paths, std::size_t size, unsigned seed) {
    for (const std::string& path : paths) WriteFile(path, size, seed);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    QApplication::processEvents();
    return true;
}

bool WaitForScan(CairnlyState& state, int timeoutMs) {
    return PumpUntil([&] { return !state.Scan.Busy(); }, timeoutMs);
}

void WriteSettings(const std::function<void(ScanSettings&)>& change) {
    shared::DesktopServices services("Cairnly", [] { return 0; });
    ScanSettingsStore store(services);
    ScanSettings settings;
    settings.SetDefaults();
    change(settings);
    store.Save(settings);
}

void WriteDeepScanSettings(const std::string& root) {
    WriteSettings([&root](ScanSettings& s) {
        s.SetRootFolder(root);
        s.SetMinFileSizeMB(0);
        s.SetMinFolderSizeMB(0);
        s.SetDuplicateMode(2);
    });
}

std::unique_ptr<CairnlyProgram> StartProgram(FakePrompter& prompter, FakeOpener& opener,
                                             FakeModal& modal) {
    auto program = std::make_unique<CairnlyProgram>(std::vector<std::string>{"cairnly"}, prompter,
                                                    opener, modal.Runner());
    program->Start();
    return program;
}

}  // namespace cairnly::testing
