#include "pictavo/cull/photo_store.h"

#include <optional>
#include <vector>

#include "pictavo/catalogue/loading.h"
#include "pictavo/catalogue/navigation.h"
#include "platform/files.h"
#include "shared/text_format.h"

namespace pictavo {
namespace {

const char kDeletedCopyMark[] = " (Deleted copy ";

struct NameParts {
    std::string stem;
    std::string extension;  // from the last '.' on
};

std::optional<NameParts> SplitAtLastDot(const std::string& name) {
    std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    return NameParts{name.substr(0, dot), name.substr(dot)};
}

std::string StorePath(const PictavoState& state, const std::string& name) {
    return state.storeFolder + name;
}

// First "stem (Deleted copy i).ext" that is free in the store, or copy 998.
std::string FreeDeletedCopyName(const PictavoState& state, const NameParts& parts) {
    std::string name;
    for (int i = 1; i <= kMaxDeletedCopyNumber; ++i) {
        name = shared::Format("%s (Deleted copy %d)%s", parts.stem.c_str(), i,
                              parts.extension.c_str());
        if (!platform::GetAttributes(StorePath(state, name))) break;
    }
    return name;
}

// The name the photo had before a clash in the store renamed it.
std::string OriginalName(const std::string& storeName) {
    std::optional<NameParts> parts = SplitAtLastDot(storeName);
    if (!parts) return storeName;
    std::string::size_type mark = parts->stem.find(kDeletedCopyMark);
    if (mark == std::string::npos) return storeName;
    return parts->stem.substr(0, mark) + parts->extension;
}

// The journal knows the name exactly, also one that itself holds the clash mark.
std::string NameBeforeCull(const PictavoState& state, const PhotoRecord& record) {
    if (!record.renamedInStore) return record.fileName;
    std::optional<StoredCull> cull = state.storeJournal.Find(record.fileName);
    if (cull && cull->folder == record.folderPath()) return cull->name;
    return OriginalName(record.fileName);
}

void PushCulled(PictavoState& state, std::int32_t position) {
    if (state.undeleteStack.Push(position)) state.View().SetUndeleteEnabled(true);
}

}  // namespace

void ReportFileError(shared::DesktopServices& services, const std::string& prepared, int code) {
    if (code == 13) {
        services.SetStatus(prepared + " (Error accessing file)");
    } else {
        services.SetStatus(shared::Format("%s (%d)", prepared.c_str(), code));
    }
}

bool CreateStoreFolder(PictavoState& state) {
    std::string folder = platform::JoinPath(state.services.DataFolder(), "Deletes");
    platform::CreateFolder(folder);
    state.storeFolder = folder + "/";
    state.storeJournal.Open(StoreJournalPath(state.services.DataFolder()));
    return platform::FolderExists(folder);
}

std::string StoreJournalPath(const std::string& dataFolder) {
    return platform::JoinPath(dataFolder, "Deletes.journal");
}

bool Cull(PictavoState& state, std::int32_t position) {
    PhotoRecord* record = state.catalogue.At(position);
    if (!record) return false;
    const std::string source = record->FullPath();
    std::string storeName = record->fileName;
    int error = platform::MoveNoReplace(source, StorePath(state, storeName));
    if (error == platform::kErrorExists) {
        std::optional<NameParts> parts = SplitAtLastDot(record->fileName);
        if (parts) {
            storeName = FreeDeletedCopyName(state, *parts);
            error = platform::MoveNoReplace(source, StorePath(state, storeName));
        }
    }
    if (error != 0) {
        ReportFileError(state.services,
                        "Unable to move file to the deleted files folder: " + source, error);
        return false;
    }
    state.storeJournal.Add({storeName, record->folderPath(), record->fileName});
    record->renamedInStore = storeName != record->fileName;
    record->fileName = storeName;
    record->state = PhotoState::Culled;
    PushCulled(state, position);
    return true;
}

bool Undelete(PictavoState& state) {
    if (state.undeleteStack.Empty()) return false;
    const std::int32_t r = state.undeleteStack.Top();
    PhotoRecord* record = state.catalogue.At(r);
    if (!record || record->state != PhotoState::Culled) return false;
    const std::string storeName = record->fileName;
    const std::string source = StorePath(state, storeName);
    const std::string name = NameBeforeCull(state, *record);
    int error = platform::MoveNoReplace(source, platform::JoinPath(record->folderPath(), name));
    if (error != 0) {
        ReportFileError(state.services,
                        "Unable to move file from the deleted files folder: " + source, error);
        return false;
    }
    state.storeJournal.Remove(storeName);
    record->fileName = name;
    record->renamedInStore = false;
    record->state = PhotoState::Present;
    state.undeleteStack.Pop();
    state.View().SetUndeleteEnabled(!state.undeleteStack.Empty());
    MoveAfterUndelete(state, r);
    return true;
}

bool CullLeftAndShow(PictavoState& state) {
    if (!Cull(state, state.leftIndex)) return false;
    MoveAfterCullLeft(state);
    DrawPair(state, true);
    return true;
}

bool CullRightAndShow(PictavoState& state) {
    if (!Cull(state, state.rightIndex)) return false;
    MoveAfterCullRight(state);
    DrawPair(state, true);
    return true;
}

bool UndeleteAndShow(PictavoState& state) {
    bool restored = Undelete(state);
    SettlePair(state);
    DrawPair(state, true);
    return restored;
}

std::int32_t CountStoreFiles(const std::string& storeFolder) {
    std::int32_t files = 0;
    platform::ListFolder(storeFolder, [&](const platform::DirEntry& entry) {
        if (!entry.directory) ++files;
        return true;
    });
    return files;
}

StoreEmptying DeleteStoreFiles(PictavoState& state) {
    StoreEmptying result;
    std::vector<std::string> names;
    platform::ListFolder(state.storeFolder, [&](const platform::DirEntry& entry) {
        if (!entry.directory) names.push_back(entry.name);
        return true;
    });
    for (const std::string& name : names) {
        if (platform::DeleteFile(StorePath(state, name)) == 0) {
            ++result.deleted;
        } else {
            ++result.failed;
        }
    }
    state.storeJournal.KeepStored(state.storeFolder);
    if (result.deleted > 0) EmptyUndeleteStack(state);
    return result;
}

}  // namespace pictavo
