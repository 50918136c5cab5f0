#pragma once
// Pictavo's main window: the pair of panes with their captions, the culling
// buttons, the bottom row, the status line, the keys and the commands.
#include <QFutureWatcher>
#include <QPointF>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/pictavo_state.h"
#include "pictavo/catalogue/pictavo_view.h"
#include "pictavo/cull/cairnly_launch.h"
#include "pictavo/cull/pane_text.h"
#include "pictavo/cull/photo_rotation.h"
#include "pictavo/cull/window/pane_picture.h"
#include "pictavo/cull/window/pane_picture_cache.h"
#include "pictavo/cull/window/photo_pane.h"
#include "pictavo/cull/window/window_layout.h"
#include "pictavo/export/export_worker.h"
#include "shared/prompter.h"

class QLabel;
class QPushButton;

namespace pictavo {

class SettingsStore;

struct WindowServices {
    PictavoState& state;
    SettingsStore& settingsStore;
    shared::Prompter& prompter;
    shared::Opener& opener;
    PixelTurner& turner;
    ProcessStarter startProcess;
    std::string programFolder;  // where the cairnly program is looked for
};

enum class Side { Left = 0, Right = 1 };

class PictavoWindow : public QWidget, public PictavoView {
  public:
    explicit PictavoWindow(WindowServices services);
    ~PictavoWindow() override;

    // PictavoView; callable from the loading thread.
    void EnableCullingControls(bool enabled) override;
    void SetUndeleteEnabled(bool enabled) override;
    void DrawPair(std::int32_t left, std::int32_t right, bool recordStartPosition) override;
    void WarnNoPhotos(const std::string& text) override;
    void PostConfigurationCommand() override;
    void PumpEvents(int milliseconds) override;

    // A command as its control id would send it.
    void RunCommand(int id);
    // The window's keys; true when the key is one of them (it is then consumed).
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    bool HandleKey(int key, bool shift) {
        return HandleKey(key, Qt::KeyboardModifiers(shift ? Qt::ShiftModifier : Qt::NoModifier));
    }
    // The configuration dialog alone (start-up saves and loads by itself).
    void RunConfigurationDialog();
    void StartRedrawTimer() { redrawTimer_.start(); }
    // Sizes and centres the normal window inside a screen's available area; a
    // screen smaller than the window's least size lowers that size to fit.
    void FitInto(const QRect& available);

    QWidget* Control(int id) const;
    bool HighRating(Side side) const { return highRating_[static_cast<int>(side)]; }
    // Whether the pane's last draw took a picture decoded ahead of it.
    bool DrawnFromCache(Side side) const { return fromCache_[static_cast<int>(side)]; }
    std::size_t KeptPictures() const { return pictures_.Size(); }
    LayoutMetrics Metrics() const { return metrics_; }
    Side ActiveSide() const { return activeSide_; }
    // The 100% view: both panes centred on one point relative to each photo.
    bool AtFullSize() const { return atFullSize_; }
    QPointF FullSizeCentre() const { return centre_; }
    bool ShowsFullSize(Side side) const { return panes_[static_cast<int>(side)]->ShowsFullSize(); }
    bool FullScreenView() const { return fullScreenView_; }
    ExportControl& Export() { return exportControl_; }

    // Test seam: seconds since 1970 for the delayed redraw after resizing.
    void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }
    void OnRedrawTimer();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    QPushButton* AddButton(int id, const char* text, QRect designed);
    PaneCaption* AddCaption(int id, QRect designed);
    void ApplyLayout();
    void FitBottomRowTexts();
    void DoKeyAction(KeyAction action);
    bool BeginPane(Side side, std::int32_t position);
    QFuture<PaneContent> PaneContentFor(Side side, std::int32_t position, PaneKey& key);
    void FinishPane(Side side, std::int32_t position, const PaneContent& content);
    void DrawPairNow(std::int32_t left, std::int32_t right);
    void DrawOnePane(Side side, std::int32_t position);
    void PrefetchAfter(std::int32_t right);
    void SetCaption(Side side, const std::string& text);
    void SetCaption(Side side, const display::CaptionFacts& facts);
    void ShowCaption(Side side, PaneCaption::Fitter fitter, const std::string& whole);
    void RotatePane(Side side);
    bool HandleViewKey(int key, Qt::KeyboardModifiers modifiers);
    std::int32_t PositionOf(Side side) const;
    void SetActiveSide(Side side);
    void RateActivePhoto(int stars);
    // The stars the photo held before, when the new rating was written.
    std::optional<int> WriteRating(const PhotoRecord& record, int stars);
    void UndoRating();
    void RedrawWhereShown(const std::string& path);
    void ToggleFullSize();
    void LeaveFullSize();
    void RequestFullSize(Side side);
    void OnFullSizeReady(Side side);
    void PanBy(QPointF relative);
    void PanByDrag(Side side, QPoint moved);
    void ToggleFullScreen();
    void OnConfigurationCommand();
    void OnUndelete();
    void SaveSettings();

    WindowServices services_;
    PictavoState& state_;
    std::map<int, QWidget*> controls_;
    std::array<PhotoPane*, 2> panes_{};
    std::array<PaneCaption*, 2> captions_{};
    std::array<bool, 2> highRating_{};
    std::array<bool, 2> fromCache_{};
    PanePictureCache pictures_;
    QLabel* status_ = nullptr;
    LayoutMetrics metrics_;
    bool cullingEnabled_ = false;
    bool closing_ = false;
    bool resizePending_ = false;
    std::time_t lastResize_ = 0;
    std::function<std::time_t()> clock_;
    QTimer redrawTimer_;
    ExportControl exportControl_;

    Side activeSide_ = Side::Left;
    std::array<std::string, 2> shownPaths_;
    std::array<QSize, 2> shownSizes_;  // each photo's size as shown, in image pixels
    struct RatingUndo {
        std::int32_t position = -1;
        std::string path;
        int stars = 0;
    };
    std::optional<RatingUndo> ratingUndo_;
    bool atFullSize_ = false;
    QPointF centre_{0.5, 0.5};
    std::array<QFutureWatcher<PaneContent>, 2> fullSizeWatchers_;
    std::array<std::string, 2> fullSizePaths_;
    bool fullScreenView_ = false;
    Qt::WindowStates stateBeforeFullScreen_;
};

}  // namespace pictavo
