#pragma once
// Message boxes and questions as the logic sees them. The Qt layer answers
// with real boxes; tests answer with a recording fake.
#include <string>

namespace shared {

enum class BoxIcon { None, Information, Warning, Error, Question };
enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxAnswer { Ok, Cancel, Yes, No };

class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual BoxAnswer Ask(const std::string& caption, const std::string& text, BoxIcon icon,
                          BoxButtons buttons) = 0;
};

// Opens addresses and folders in the user's own programs; injectable so tests
// never start a browser or a file manager.
class Opener {
  public:
    virtual ~Opener() = default;
    // Returns false when nothing could be started.
    virtual bool OpenAddress(const std::string& address) = 0;
    virtual bool OpenFolder(const std::string& folder) = 0;
};

}  // namespace shared
