#pragma once
// The main window "Quovanta": menus, toolbar and status bar around the browser view. The frame
// keeps its placement in the settings file, evaluates the enabling rules whenever a menu opens
// or the browser's state changes, and writes the grids' column widths when it closes.

#include "gui/app/Actions.h"
#include "gui/app/CQuovantaView.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class QLabel;
class QMenu;
class QTableView;
class QProgressBar;
class QToolBar;

namespace qv::gui {

class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    // The program's own start-up: the current directory and the default settings file.
    CMainFrame();
    explicit CMainFrame(StartupContext context, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CQuovantaView* view() const { return view_; }
    QAction* action(Command command) const { return actions_->action(command); }
    QToolBar* toolBar() const { return toolBar_; }
    QProgressBar* statusProgress() const { return progress_; }

    // The status panes as shown: symbol, quote and mode pane.
    QLabel* symbolPane() const { return symbolPane_; }
    QLabel* quotePane() const { return quotePane_; }
    QLabel* modePane() const { return modePane_; }

    // The context menu of `grid` (the symbol or quote grid) for a click at `at` in its viewport:
    // the row there becomes the current one first, and the enabling rules are applied.
    std::unique_ptr<QMenu> contextMenu(QTableView* grid, const QPoint& at);

public slots:
    // Applies the enabling rules, the check marks and the status panes.
    void UpdateCommandUI();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void WritePlacement();
    void ConnectCommands();
    void ConnectGrids();

    CQuovantaView* view_ = nullptr;
    Actions* actions_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* symbolPane_ = nullptr;
    QLabel* quotePane_ = nullptr;
    QLabel* modePane_ = nullptr;
    bool placed_ = false;
    // A drag moves the window many times a second; the position is written when it rests.
    QTimer placementWrite_;
};

} // namespace qv::gui
