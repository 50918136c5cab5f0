#pragma once
// A settings record's file in the program's data folder: loaded and saved
// byte for byte, so files written by any earlier version keep loading.
#include <cstddef>
#include <string>

#include "platform/files.h"
#include "shared/desktop_services.h"

namespace shared {

// The head both programs' settings records begin with: program name, version
// and window position.
struct SettingsHead {
    static constexpr std::size_t kProgramTag = 0, kProgramTagUnits = 16;
    static constexpr std::size_t kVersionMajor = 32, kVersionMinor = 36, kVersionBuild = 40;
    static constexpr std::size_t kReservedFlag = 44;
    static constexpr std::size_t kWindowLeft = 48, kWindowTop = 52;
};

// Record is a RawRecord naming its file (kFileName) and the offset of its
// 32-bit log level (kLogLevel).
template <class Record>
class RecordStore {
  public:
    explicit RecordStore(DesktopServices& services) : services_(services) {}

    std::string FilePath() { return platform::JoinPath(services_.DataFolder(), Record::kFileName); }

    // Fills record from the file; false when missing or shorter than the record,
    // which then holds what was read. Bytes beyond the record are ignored.
    bool Load(Record& record) {
        record.Zero();
        long got = platform::ReadFilePrefix(FilePath(), record.Data(), Record::kSize);
        return got == static_cast<long>(Record::kSize);
    }

    // Writes the record safely (temporary file renamed over the old one).
    bool Save(const Record& record) {
        if (record.I32(Record::kLogLevel) == 2) services_.WriteLog("Save configuration", kDetail);
        return platform::WriteFileAtomically(FilePath(), record.Data(), Record::kSize) == 0;
    }

  private:
    DesktopServices& services_;
};

}  // namespace shared
