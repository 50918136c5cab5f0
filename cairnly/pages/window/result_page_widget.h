#pragma once
// One result page: its list, sorting by column click, row colours, double
// click to open the folder and the right-click menu that starts a deletion.
#include <QWidget>
#include <functional>

#include "cairnly/engine/scan_view.h"
#include "cairnly/pages/result_pages.h"
#include "cairnly/pages/window/modal_runner.h"
#include "cairnly/pages/window/result_list.h"
#include "shared/prompter.h"

class QMenu;

namespace cairnly {

class ResultPageWidget : public QWidget {
  public:
    using Pause = std::function<void(int milliseconds)>;

    ResultPageWidget(int page, pages::ResultPages& logic, ScanView& scanView,
                     shared::Opener& opener, Pause pause, ModalRunner runner,
                     QWidget* parent = nullptr);

    int PageIndex() const { return page_; }
    ResultList& List() { return *list_; }

    // The page's menu as it would show now (empty while a scan runs).
    std::vector<pages::MenuItem> MenuItems() const;
    // Runs a menu command: the confirmation dialog for the selected rows.
    void RunCommand(int command);
    // Test seam: called with the menu instead of showing it.
    std::function<void(QMenu& menu)> menuRunner;
    // Hands over rows a scan has found but not yet delivered, so a sort or a
    // command acts on every row of the page.
    std::function<void()> catchUp;

  private:
    void ColumnClicked(int column);
    void RowActivated(int row);
    void ShowMenu(QPoint globalPos);
    QColor Colour(int row) const;
    // False while a scan runs; otherwise brings the rows up to date.
    bool ReadyForAction();

    const int page_;
    pages::ResultPages& logic_;
    ScanView& scanView_;
    shared::Opener& opener_;
    Pause pause_;
    ModalRunner runner_;
    ResultList* list_;
};

}  // namespace cairnly
