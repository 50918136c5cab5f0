#pragma once
// Recording fakes of shared::Prompter and shared::Opener for tests of every suite.
#include <string>
#include <vector>

#include "shared/prompter.h"

namespace testing_support {

struct AskedBox {
    std::string caption, text;
    shared::BoxIcon icon;
    shared::BoxButtons buttons;
};

class FakePrompter : public shared::Prompter {
  public:
    shared::BoxAnswer answer = shared::BoxAnswer::Ok;
    std::vector<AskedBox> asked;
    shared::BoxAnswer Ask(const std::string& caption, const std::string& text, shared::BoxIcon icon,
                          shared::BoxButtons buttons) override {
        asked.push_back({caption, text, icon, buttons});
        return answer;
    }
};

class FakeOpener : public shared::Opener {
  public:
    bool succeed = true;
    std::vector<std::string> addresses, folders;
    bool OpenAddress(const std::string& address) override {
        addresses.push_back(address);
        return succeed;
    }
    bool OpenFolder(const std::string& folder) override {
        folders.push_back(folder);
        return succeed;
    }
};

}  // namespace testing_support
