#pragma once
// The main window's form: the portfolio browser (root selector, portfolio list, symbol grid,
// quote grid or chart area) and the state other commands read: the settings held since
// start-up, the start-up directory, the current portfolio, symbol and quote.

#include "core/app/program_settings.h"
#include "core/platform/settings_file.h"
#include "core/update/update_run.h"
#include "gui/app/Actions.h"

#include <QFrame>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QComboBox;
class QListView;
class QSplitter;
class QStackedWidget;
class QTableView;

namespace qv {
struct QuoteSeries;
}

namespace qv::gui {

class CSearchProgressDlg;
class PortfolioListModel;
class QuoteGridModel;
class SymbolGridModel;
class UpdateCommand;
struct AsciiDrafts;

// What the program starts with; tests and the screenshot tool give their own.
struct StartupContext {
    std::string startupDir;   // profiles and AUDIT.TXT live here
    std::string settingsPath; // the settings file
    // The roots the selector offers; qv::listRoots when empty.
    std::function<std::vector<std::string>()> listRoots;
    // Where a first start sets up the sample workspace, and where the bundled sample may be
    // (defaultDataDir() and sampleSourceCandidates() when empty).
    std::string dataDir;
    std::vector<std::string> sampleSources;

    // The program's own: the current directory and SettingsFile::defaultPath().
    static StartupContext fromEnvironment();
};

class CQuovantaView final : public QWidget {
    Q_OBJECT
public:
    // Reads the settings it holds, records the start-up directory and makes sure the sample
    // profile exists. The browser fills itself 100 ms after it is first shown.
    CQuovantaView(StartupContext context, QWidget* parent);
    ~CQuovantaView() override;

    // ---- State read by the frame and by other commands ---------------------------------
    BrowserState browserState() const;
    const qv::ViewSettings& settings() const { return settings_; }
    qv::SettingsFile& settingsFile() { return settingsFile_; }
    const std::string& startupDir() const { return context_.startupDir; }
    std::string dataDir() const;
    std::vector<std::string> sampleSources() const;
    // No settings file existed when the window was made: nothing has been set up yet.
    bool firstStart() const { return firstStart_; }
    const std::string& currentRoot() const { return currentRoot_; }
    const std::string& portfolioDir() const { return portfolioDir_; }
    const std::string& masterPath() const { return masterPath_; }
    std::vector<std::string> portfolios() const;
    int symbolCount() const { return symbolCount_; }
    int currentSymbolIndex() const { return currentSymbolIndex_; }
    const std::string& currentSymbol() const { return currentSymbol_; }
    const std::string& currentName() const { return currentName_; }
    bool currentSymbolSkipped() const;
    int quotesInFile() const { return quotesInFile_; }
    int quotesRead() const { return quotesRead_; }
    int quotePosition() const { return quotePosition_; }
    const QString& firstDateText() const { return firstDateText_; }
    const QString& lastDateText() const { return lastDateText_; }
    bool startupDone() const { return startupDone_; }
    bool updateRunning() const;
    // The progress texts last handed to the progress window of the current or last run.
    const qv::ProgressTexts& lastProgress() const;
    // The commands that change a setting the view holds (Settings, the tutorial prompt) put it
    // here; writing it to the settings file is theirs.
    void setSettings(const qv::ViewSettings& settings);
    // The drive selector's entries; before the start-up has filled it, the roots it will offer.
    std::vector<std::string> listedRoots() const;
    void setSplitSearchOpen(bool open);

    // The status panes.
    QString symbolPaneText() const;
    QString quotePaneText() const;
    QString modePaneText() const;

    // ---- Widgets, for the frame and tests ---------------------------------------------
    QComboBox* driveSelector() const { return drives_; }
    QListView* portfolioList() const { return portfolioList_; }
    QTableView* symbolGrid() const { return symbolGrid_; }
    QTableView* quoteGrid() const { return quoteGrid_; }
    QWidget* chartArea() const { return chartArea_; }
    QSplitter* upperSplitter() const { return upperSplitter_; }
    QSplitter* mainSplitter() const { return mainSplitter_; }
    QuoteGridModel* quoteModel() const { return quoteModel_; }
    SymbolGridModel* symbolModel() const { return symbolModel_; }
    PortfolioListModel* portfolioModel() const { return portfolioModel_; }
    // The status bar's progress indicator over the message pane (owned by the frame).
    void setProgressBar(QProgressBar* bar) { progressBar_ = bar; }

    // ---- Browser operations -----------------------------------------------------------
    // Levels 1 and 2 empty the portfolio list and everything below it, 3 the symbol grid and
    // the quote grid, 4 the quote grid.
    void Clear(int level);
    void Search(const std::string& root);
    // Selects `root` in the drive selector, saves it and searches it as a newly chosen root
    // (also when it is the current one); an empty root selects no entry and searches nothing.
    void SearchNewRoot(const std::string& root);
    void FillSymbolGrid(int row);
    void FillQuoteGrid();
    // Writes the grids' column widths (at window close).
    void SaveColumnWidths();
    // Tells the user once when a setting could not be written, until one is written again
    // (the placement is written whenever the window moves).
    void SettingSaved(const qv::IoStatus& status);
    // The splitters' positions, read from the settings file at start-up and written to it with
    // the window's placement.
    void RestoreSplitters();
    qv::IoStatus SaveSplitters();
    std::vector<int> symbolColumnWidths() const;
    // The widths the columns take when the settings file holds none: what the longest content
    // and the header need in the grid's font.
    std::vector<int> defaultSymbolColumnWidths() const;
    std::vector<int> defaultQuoteColumnWidths() const;
    std::vector<int> quoteColumnWidths() const;

public slots:
    void OnUpdateQuotes();
    void OnReScan();
    void OnRecentAll();
    void OnGraph();
    void OnHelpTopics();
    void OnAbout();

signals:
    // Anything the enabling rules, check marks or status panes read has changed.
    void stateChanged();
    void searchFinished();
    // A finished command's note for the status bar's message pane.
    void statusMessage(const QString& text);
    void updateFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnStartupTimer();
    void CreateColumns();
    static std::vector<int> contentColumnWidths(const QTableView& grid, const std::vector<QString>& samples);
    void InitDrives();
    void OnDriveSelected(int index);
    void OnPortfolioSelected(int row);
    bool SetCurrentPortfolio(const std::string& masterPath);
    void OnSymbolRowChanged(int row);
    void SelectDriveEntry(const std::string& root);
    std::vector<std::string> roots() const;
    void showMessages(const std::vector<std::string>& messages, bool after);
    // The steps of FillQuoteGrid: the status bar's progress (shown for a long fill), the quotes
    // read newest chunk first into the grid (returns how many), the first and last date of the
    // file, and the tutorial prompt a newcomer gets after the fill.
    bool ShowFillProgress(int toRead);
    int AppendQuoteChunks(qv::QuoteSeries& series, int toRead, bool showProgress);
    void ReadDateRange(qv::QuoteSeries& series);
    void QueueTutorialPrompt();

    StartupContext context_;
    qv::SettingsFile settingsFile_;
    qv::ViewSettings settings_;
    bool tutorialQueued_ = false;
    bool firstStart_ = false; // a tutorial prompt waits for the event loop

    std::string currentRoot_;
    std::string portfolioDir_;
    // The read-only portfolios whose notice has been shown (FillSymbolGrid).
    std::set<std::string> readOnlyFoldersTold_;
    std::string masterPath_;
    int symbolCount_ = 0;
    int currentSymbolIndex_ = 0;
    std::string currentSymbol_;
    std::string currentName_;
    int quotesInFile_ = 0;
    int quotesRead_ = 0;
    int quotePosition_ = 0;
    QString firstDateText_;
    QString lastDateText_;
    bool firstShown_ = false;
    bool startupDone_ = false;
    bool columnsCreated_ = false;
    bool settingsFailureShown_ = false;
    bool splitSearchOpen_ = false;
    bool selectingPortfolio_ = false;

    QComboBox* drives_ = nullptr;
    QListView* portfolioList_ = nullptr;
    QTableView* symbolGrid_ = nullptr;
    QTableView* quoteGrid_ = nullptr;
    QStackedWidget* quoteStack_ = nullptr;
    QSplitter* upperSplitter_ = nullptr;
    QSplitter* mainSplitter_ = nullptr;
    QFrame* chartArea_ = nullptr;
    PortfolioListModel* portfolioModel_ = nullptr;
    SymbolGridModel* symbolModel_ = nullptr;
    QuoteGridModel* quoteModel_ = nullptr;
    QPointer<QProgressBar> progressBar_;

    UpdateCommand* update_ = nullptr;

    // ---- Selection and refresh for the maintenance and profile commands -------------------
public:
    // The portfolio list's current row; -1 when nothing is listed.
    int currentPortfolioIndex() const;
    // Makes list row `index` the current portfolio and fills its symbol grid from row 0.
    void SelectPortfolio(int index);
    // Lists `dir` (once) and makes it the current portfolio.
    void AddPortfolio(const std::string& dir);
    // Makes symbol-grid row `row` the current security and fills the quote grid for it.
    void SelectSymbolRow(int row);
    // Reads the skip marks again after a command changed them (list, grid, check mark).
    void RefreshSkipMarks();
    // What was typed in the import and export dialogs of a failed attempt, offered again by the
    // next one in this session.
    AsciiDrafts& asciiDrafts() { return *asciiDrafts_; }

private:
    std::unique_ptr<AsciiDrafts> asciiDrafts_;
};

} // namespace qv::gui
