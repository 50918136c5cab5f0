#pragma once
// FolderBrowser: a modal "Select Folder" dialog started at a folder.
#include <functional>
#include <string>

class QFileDialog;
class QWidget;

namespace shared {

// Runs the configured dialog; returns true when the user picked a folder.
// The default runs QFileDialog::exec(). Tests and screenshots install their own
// runner, which may inspect the dialog, select a folder and accept or reject it.
using FolderDialogRunner = std::function<bool(QFileDialog& dialog)>;

// Sets the process-wide runner used by FolderBrowser (an empty one restores the
// default). A test seam for window tests: never set by the programs.
void SetFolderDialogRunner(FolderDialogRunner runner);

// Configures dialog as FolderBrowser does: title "Select Folder", folders only,
// the desktop's chooser when there is one (else Qt's own), started at path (or, when path names no
// folder, at the nearest existing folder above it, with no selection). With allowTyping the name
// box is shown so that a path can be typed (Cairnly); without it the box is hidden and a folder can
// only be picked (Pictavo).
void ConfigureFolderDialog(QFileDialog& dialog, const std::string& path, bool allowTyping);

// Shows the dialog modal to owner. On a pick writes the folder's path (without a
// trailing '/', at most 559 UTF-16 units) to path and returns true; on cancel
// (or a pick too long for the 560-unit buffers) returns false and leaves path as it was.
bool FolderBrowser(QWidget* owner, std::string& path, bool allowTyping);

// Same with an explicit runner (used by tests of FolderBrowser itself).
bool FolderBrowser(QWidget* owner, std::string& path, bool allowTyping,
                   const FolderDialogRunner& runner);

}  // namespace shared
