#pragma once
// Helpers for the Cairnly window tests: a private HOME, answering message
// boxes, recording opened addresses and folders, building file trees, and
// running a scan to its end while the user-interface thread serves the worker.
#include <QDialog>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cairnly/window/cairnly_program.h"
#include "shared/prompter.h"
#include "tests/shared/temp_home.h"

namespace cairnly::testing {

// The private HOME of one test, with fresh folders made inside it on request.
class TempHome : public testing_support::TempHome {
  public:
    std::string Folder(const std::string& name) const;
};

struct Box {
    std::string caption, text;
    shared::BoxIcon icon;
    shared::BoxButtons buttons;
};

class FakePrompter : public shared::Prompter {
  public:
    shared::BoxAnswer Ask(const std::string& caption, const std::string& text, shared::BoxIcon icon,
                          shared::BoxButtons buttons) override;
    std::vector<Box> boxes;
    std::deque<shared::BoxAnswer> answers;  // Ok when empty
};

class FakeOpener : public shared::Opener {
  public:
    bool OpenAddress(const std::string& address) override;
    bool OpenFolder(const std::string& folder) override;
    std::vector<std::string> addresses, folders;
    bool succeed = true;
};

// Records the dialogs it is given and lets a handler fill in and close them.
class FakeModal {
  public:
    ModalRunner Runner();
    std::vector<std::string> opened;       // objectName of each dialog, in order
    std::function<int(QDialog&)> handler;  // default: reject
};

// Writes a file of size bytes; seed picks the content (same seed, same bytes).
void WriteFile(const std::string& path, std::size_t size, unsigned seed);
void MakeFolders(const std::string& path);
// A file of size bytes whose content only depends on seed, copied to each path.
void WriteCopies(const std::vector<std::string>& paths, std::size_t size, unsigned seed);

// Serves the worker until the scan has ended (or the timeout in ms passes).
bool WaitForScan(CairnlyState& state, int timeoutMs = 60000);
// Processes events until done() or the timeout.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000);

// Writes a settings file into the private HOME's data folder.
void WriteSettings(const std::function<void(ScanSettings&)>& change);
// Settings that record every file and folder below root, compared in deep mode.
void WriteDeepScanSettings(const std::string& root);
// Cairnly started from the stored settings with the fakes, not yet scanning.
std::unique_ptr<CairnlyProgram> StartProgram(FakePrompter& prompter, FakeOpener& opener,
                                             FakeModal& modal);

}  // namespace cairnly::testing
