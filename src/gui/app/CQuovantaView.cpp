#include "gui/app/CQuovantaView.h"

#include "core/app/settings_check.h"
#include "core/browse/portfolio_search.h"
#include "core/browse/quote_text.h"
#include "core/browse/symbol_list.h"
#include "core/platform/files.h"
#include "core/profiles/profile.h"
#include "core/store/master.h"
#include "core/store/quotes.h"
#include "gui/app/CAboutDlg.h"
#include "gui/app/CSearchProgressDlg.h"
#include "gui/app/GridDelegate.h"
#include "gui/app/GridView.h"
#include "gui/app/LayoutRules.h"
#include "gui/app/PortfolioListModel.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/app/SymbolGridModel.h"
#include "gui/ascii/AsciiCommands.h"
#include "gui/chart/CChartView.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"
#include "gui/help/CHelpWindow.h"
#include "gui/help/FirstStart.h"
#include "gui/help/TutorialPrompt.h"
#include "gui/update/UpdateCommand.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListView>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <optional>

namespace qv::gui {
namespace {

constexpr int kStartupDelayMs = 100;
constexpr int kQuoteChunk = 400;
constexpr int kRecentQuotes = 30;
constexpr int kFirstScreenful = 30;
constexpr std::size_t kMaxPathLength = 300;
// What getInt answers for a width the settings file does not hold (no width is this small).
constexpr int kNoSavedWidth = std::numeric_limits<int>::min();
// A symbol or an issue name: 16 bytes of a MASTER entry.
constexpr int kSymbolFieldLength = 16;

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString toQ(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QTableView* makeGrid(QWidget* parent, const char* objectName)
{
    auto* grid = new GridView(parent);
    grid->setObjectName(QString::fromLatin1(objectName));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setShowGrid(false);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    grid->horizontalHeader()->setSectionsClickable(false);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->setItemDelegate(new GridDelegate(GridDelegate::Kind::Grid, grid));
    return grid;
}

// A grid row of the quote at `at` of a chunk read.
QuoteGridModel::Row quoteRow(const qv::QuoteSeries& series, std::size_t at)
{
    QuoteGridModel::Row r;
    r.date = series.date[at];
    r.values = {series.open[at],  series.high[at],   series.low[at],
                series.close[at], series.volume[at], series.openInterest[at]};
    return r;
}

} // namespace

StartupContext StartupContext::fromEnvironment()
{
    StartupContext c;
    c.startupDir = QFile::encodeName(QDir::currentPath()).toStdString();
    c.settingsPath = qv::SettingsFile::defaultPath();
    return c;
}

CQuovantaView::CQuovantaView(StartupContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)), settingsFile_(context_.settingsPath),
      asciiDrafts_(std::make_unique<AsciiDrafts>())
{
    setObjectName(QStringLiteral("quovantaView"));
    firstStart_ = !QFileInfo::exists(toQ(context_.settingsPath));
    settings_ = qv::readViewSettings(settingsFile_, context_.startupDir);
    update_ = new UpdateCommand(*this);

    // ---- Portfolios ----
    auto* portfolios = new QGroupBox(QStringLiteral("Portfolios"), this);
    drives_ = new QComboBox(portfolios);
    drives_->setObjectName(QStringLiteral("driveSelector"));
    drives_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    drives_->setMinimumContentsLength(16);
    portfolioModel_ = new PortfolioListModel(this);
    portfolioList_ = new QListView(portfolios);
    portfolioList_->setObjectName(QStringLiteral("portfolioList"));
    portfolioList_->setModel(portfolioModel_);
    portfolioList_->setItemDelegate(new GridDelegate(GridDelegate::Kind::List, portfolioList_));
    portfolioList_->setSelectionMode(QAbstractItemView::SingleSelection);
    portfolioList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    portfolioList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    portfolioList_->setUniformItemSizes(true);
    auto* portfolioLayout = new QVBoxLayout(portfolios);
    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(drives_);
    driveRow->addStretch(1);
    portfolioLayout->addLayout(driveRow);
    portfolioLayout->addWidget(portfolioList_, 1);

    // ---- Symbols ----
    auto* symbols = new QGroupBox(QStringLiteral("Symbols"), this);
    symbolModel_ = new SymbolGridModel(this);
    symbolGrid_ = makeGrid(symbols, "symbolGrid");
    symbolGrid_->setModel(symbolModel_);
    auto* symbolLayout = new QVBoxLayout(symbols);
    symbolLayout->addWidget(symbolGrid_);

    // ---- Quotes (grid, or the chart in its place) ----
    auto* quotes = new QGroupBox(QStringLiteral("Quotes"), this);
    quoteModel_ = new QuoteGridModel(this);
    quoteGrid_ = makeGrid(quotes, "quoteGrid");
    quoteGrid_->setModel(quoteModel_);
    chartArea_ = new CChartView(*this, quotes);
    chartArea_->setObjectName(QStringLiteral("chartArea"));
    quoteStack_ = new QStackedWidget(quotes);
    quoteStack_->addWidget(quoteGrid_);
    quoteStack_->addWidget(chartArea_);
    auto* quoteLayout = new QVBoxLayout(quotes);
    quoteLayout->addWidget(quoteStack_);

    // The panes share the window through splitters, so that on a large screen the grids get
    // the room; the default shares are the portfolios and symbols side by side in halves, above
    // the quotes in 2 : 5.
    upperSplitter_ = new QSplitter(Qt::Horizontal, this);
    upperSplitter_->setObjectName(QStringLiteral("upperSplitter"));
    upperSplitter_->setChildrenCollapsible(false);
    upperSplitter_->addWidget(portfolios);
    upperSplitter_->addWidget(symbols);
    upperSplitter_->setStretchFactor(0, 1);
    upperSplitter_->setStretchFactor(1, 1);
    mainSplitter_ = new QSplitter(Qt::Vertical, this);
    mainSplitter_->setObjectName(QStringLiteral("mainSplitter"));
    mainSplitter_->setChildrenCollapsible(false);
    mainSplitter_->addWidget(upperSplitter_);
    mainSplitter_->addWidget(quotes);
    mainSplitter_->setStretchFactor(0, 2);
    mainSplitter_->setStretchFactor(1, 5);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mainSplitter_);

    // Until the columns are created the grids show the stored widths' defaults.
    for (int c = 0; c < static_cast<int>(keys::kSymbolGridColumns.size()); ++c)
        symbolGrid_->setColumnWidth(c, keys::kSymbolGridColumns[static_cast<std::size_t>(c)].fallback);
    for (int c = 0; c < static_cast<int>(keys::kQuoteGridColumns.size()); ++c)
        quoteGrid_->setColumnWidth(c, keys::kQuoteGridColumns[static_cast<std::size_t>(c)].fallback);
    quoteStack_->setCurrentWidget(settings_.showingGraph ? static_cast<QWidget*>(chartArea_) : quoteGrid_);

    connect(drives_, &QComboBox::activated, this, &CQuovantaView::OnDriveSelected);
    connect(portfolioList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && !selectingPortfolio_)
                    OnPortfolioSelected(current.row());
            });
    connect(symbolGrid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    OnSymbolRowChanged(current.row());
            });
    connect(quoteGrid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid())
                    return;
                quotePosition_ = current.data(kItemDataRole).toInt();
                emit stateChanged();
            });
    connect(
        portfolioModel_, &PortfolioListModel::invalidSkipListDrawn, this,
        [this](const QString& dir) {
            MessageBox::warning(this, QStringLiteral("Incorrect file length in odlist.\nPlease delete the file "
                                                     "called\"skipqvta.pbg\" in directory\n%1.")
                                          .arg(dir));
        },
        Qt::QueuedConnection);
    connect(
        symbolModel_, &SymbolGridModel::invalidSkipListDrawn, this,
        [this](const QString& dir) {
            MessageBox::warning(this, QStringLiteral("Incorrect file length in odgrid_s.\nPlease delete the file "
                                                     "called\"skipqvta.pbg\" in directory\n%1.")
                                          .arg(dir));
        },
        Qt::QueuedConnection);

    const qv::Outcome sample = qv::ensureSampleProfile(context_.startupDir);
    if (!sample)
        MessageBox::warning(this, QString::fromStdString(sample.message()));
}

CQuovantaView::~CQuovantaView()
{
    // A running worker is waited for before the view it reports to goes away.
    delete update_;
    update_ = nullptr;
}

// ---- State --------------------------------------------------------------------------------

BrowserState CQuovantaView::browserState() const
{
    BrowserState s;
    s.hasPortfolios = portfolioModel_->rowCount() > 0;
    s.symbols = symbolCount_;
    s.quotes = quotesRead_;
    s.graphShown = settings_.showingGraph;
    s.splitSearchOpen = splitSearchOpen_;
    s.updateRunning = updateRunning();
    s.directoryRow = symbolCount_ > 0 && currentSymbolIndex_ >= 0 && currentSymbolIndex_ < symbolModel_->rowCount() &&
                     symbolModel_->row(currentSymbolIndex_).isDirectoryEntry;
    return s;
}

std::string CQuovantaView::dataDir() const { return context_.dataDir.empty() ? defaultDataDir() : context_.dataDir; }

std::vector<std::string> CQuovantaView::sampleSources() const
{
    return context_.sampleSources.empty() ? sampleSourceCandidates() : context_.sampleSources;
}

std::vector<std::string> CQuovantaView::portfolios() const { return portfolioModel_->portfolios(); }

bool CQuovantaView::currentSymbolSkipped() const
{
    return symbolCount_ > 0 && symbolModel_->isSkipped(currentSymbolIndex_);
}

bool CQuovantaView::updateRunning() const { return update_->isRunning(); }

const qv::ProgressTexts& CQuovantaView::lastProgress() const { return update_->lastProgress(); }

void CQuovantaView::setSettings(const qv::ViewSettings& settings) { settings_ = settings; }

void CQuovantaView::setSplitSearchOpen(bool open)
{
    splitSearchOpen_ = open;
    emit stateChanged();
}

QString CQuovantaView::symbolPaneText() const
{
    if (symbolCount_ <= 0)
        return QStringLiteral("No Symbols Read");
    return QString::asprintf("Symbol %d of %d", currentSymbolIndex_ + 1, symbolCount_);
}

QString CQuovantaView::quotePaneText() const
{
    if (quotesRead_ <= 0)
        return QStringLiteral("No Quotes Read");
    if (settings_.showingGraph)
        return {};
    return QString::asprintf("Quote %d of %d", quotesRead_ - quotePosition_, quotesRead_);
}

QString CQuovantaView::modePaneText() const
{
    return settings_.displayLimit ? QStringLiteral("RECENT") : QStringLiteral("ALL    ");
}

// ---- Start-up -----------------------------------------------------------------------------

void CQuovantaView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (firstShown_)
        return;
    firstShown_ = true;
    QTimer::singleShot(kStartupDelayMs, this, &CQuovantaView::OnStartupTimer);
}

void CQuovantaView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Another program may have changed a skip list while the window was in the background.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        symbolModel_->refreshSkipFlags();
}

void CQuovantaView::OnStartupTimer()
{
    // Shares are applied to a laid-out window (before, the splitter has no length to share),
    // and before the columns are fitted to the grids' widths.
    RestoreSplitters();
    CreateColumns();
    emit stateChanged();
    InitDrives();
    startupDone_ = true;
    emit stateChanged();
}

std::vector<int> CQuovantaView::contentColumnWidths(const QTableView& grid, const std::vector<QString>& samples)
{
    std::vector<int> widths;
    for (int c = 0; c < static_cast<int>(samples.size()); ++c)
        widths.push_back(std::max(cellWidthFor(grid.fontMetrics(), samples[static_cast<std::size_t>(c)]),
                                  grid.horizontalHeader()->sectionSizeHint(c)));
    return widths;
}

std::vector<int> CQuovantaView::defaultSymbolColumnWidths() const
{
    // The widest character of a symbol or name, sixteen times: a full field reads whole.
    int widest = 0;
    QChar widestChar = QLatin1Char('W');
    for (char ch = ' '; ch <= '~'; ++ch) {
        const int advance = symbolGrid_->fontMetrics().horizontalAdvance(QLatin1Char(ch));
        if (advance > widest) {
            widest = advance;
            widestChar = QLatin1Char(ch);
        }
    }
    const QString field(static_cast<qsizetype>(kSymbolFieldLength), widestChar);
    return contentColumnWidths(*symbolGrid_, {field, field});
}

std::vector<int> CQuovantaView::defaultQuoteColumnWidths() const
{
    // The longest date form, a price of five whole digits and a ten-digit amount.
    const QString date = QString::fromStdString(formatDateForDisplay(kFirstDay));
    const QString price = QString::fromStdString(qv::quotePriceText(88888.8888f));
    const QString amount = QString::fromStdString(qv::quoteAmountText(8888888888.0f));
    return contentColumnWidths(*quoteGrid_, {date, price, price, price, price, amount, amount});
}

void CQuovantaView::CreateColumns()
{
    // A width the settings file holds wins; a missing one is the width its content needs (never
    // less than the column's old default), and then the rules of the saved widths apply.
    auto widths = [this](auto& keyTable, const std::vector<int>& needed) {
        std::vector<int> w;
        for (std::size_t c = 0; c < keyTable.size(); ++c) {
            const IntKey& k = keyTable[c];
            const int saved = settingsFile_.getInt(k.section, k.key, kNoSavedWidth);
            w.push_back(saved != kNoSavedWidth ? saved : std::max(k.fallback, needed[c]));
        }
        return w;
    };
    std::vector<int> symbolWidths = widths(keys::kSymbolGridColumns, defaultSymbolColumnWidths());
    std::vector<int> quoteWidths = widths(keys::kQuoteGridColumns, defaultQuoteColumnWidths());
    symbolWidths = fitColumnWidths(symbolWidths, symbolGrid_->viewport()->width());
    quoteWidths = fitColumnWidths(quoteWidths, quoteGrid_->viewport()->width());
    for (int c = 0; c < static_cast<int>(symbolWidths.size()); ++c)
        symbolGrid_->setColumnWidth(c, symbolWidths[static_cast<std::size_t>(c)]);
    for (int c = 0; c < static_cast<int>(quoteWidths.size()); ++c)
        quoteGrid_->setColumnWidth(c, quoteWidths[static_cast<std::size_t>(c)]);
    quoteStack_->setCurrentWidget(settings_.showingGraph ? static_cast<QWidget*>(chartArea_) : quoteGrid_);
    columnsCreated_ = true;
}

std::vector<int> CQuovantaView::symbolColumnWidths() const
{
    std::vector<int> w;
    for (int c = 0; c < SymbolGridModel::ColumnCount; ++c)
        w.push_back(symbolGrid_->columnWidth(c));
    return w;
}

std::vector<int> CQuovantaView::quoteColumnWidths() const
{
    std::vector<int> w;
    for (int c = 0; c < QuoteGridModel::ColumnCount; ++c)
        w.push_back(quoteGrid_->columnWidth(c));
    return w;
}

void CQuovantaView::SaveColumnWidths()
{
    if (!columnsCreated_)
        return; // the stored widths were never applied; keep them
    const std::vector<int> s = symbolColumnWidths();
    qv::IoStatus saved;
    for (std::size_t c = 0; c < keys::kSymbolGridColumns.size() && saved; ++c)
        saved = putSetting(settingsFile_, keys::kSymbolGridColumns[c], s[c]);
    const std::vector<int> q = quoteColumnWidths();
    for (std::size_t c = 0; c < keys::kQuoteGridColumns.size() && saved; ++c)
        saved = putSetting(settingsFile_, keys::kQuoteGridColumns[c], q[c]);
    SettingSaved(saved);
}

namespace {

void restoreSplitter(QSplitter& splitter, const qv::SettingsFile& file, const std::array<IntKey, 2>& keys)
{
    const int first = getSetting(file, keys[0]);
    const int second = getSetting(file, keys[1]);
    // Sizes are shares of the splitter's length; a pane saved at 0 or less (a hand-edited
    // file) would vanish, so such a pair leaves the default shares.
    const QList<int> now = splitter.sizes();
    if (first <= 0 || second <= 0 || now.size() != 2)
        return;
    const long long length = static_cast<long long>(now[0]) + now[1];
    const int share = static_cast<int>(length * first / (static_cast<long long>(first) + second));
    splitter.setSizes({share, static_cast<int>(length) - share});
}

qv::IoStatus saveSplitter(const QSplitter& splitter, qv::SettingsFile& file, const std::array<IntKey, 2>& keys)
{
    const QList<int> sizes = splitter.sizes();
    if (sizes.size() != 2 || sizes[0] <= 0 || sizes[1] <= 0)
        return {}; // not laid out yet: what the file holds stays
    return file.setValues({{std::string(keys[0].section), std::string(keys[0].key), std::to_string(sizes[0])},
                           {std::string(keys[1].section), std::string(keys[1].key), std::to_string(sizes[1])}});
}

} // namespace

void CQuovantaView::RestoreSplitters()
{
    restoreSplitter(*upperSplitter_, settingsFile_, keys::kUpperSplit);
    restoreSplitter(*mainSplitter_, settingsFile_, keys::kMainSplit);
}

qv::IoStatus CQuovantaView::SaveSplitters()
{
    qv::IoStatus saved = saveSplitter(*upperSplitter_, settingsFile_, keys::kUpperSplit);
    if (saved)
        saved = saveSplitter(*mainSplitter_, settingsFile_, keys::kMainSplit);
    return saved;
}

void CQuovantaView::SettingSaved(const qv::IoStatus& status)
{
    if (status) {
        settingsFailureShown_ = false;
        return;
    }
    if (settingsFailureShown_)
        return;
    settingsFailureShown_ = true;
    MessageBox::warning(window(), toQ(qv::settingsNotSavedMessage(settingsFile_, status)));
}

std::vector<std::string> CQuovantaView::roots() const
{
    std::vector<std::string> r = context_.listRoots ? context_.listRoots() : qv::listRoots();
    std::sort(r.begin(), r.end());
    r.erase(std::unique(r.begin(), r.end()), r.end());
    return r;
}

std::vector<std::string> CQuovantaView::listedRoots() const
{
    std::vector<std::string> list;
    for (int k = 0; k < drives_->count(); ++k)
        list.push_back(QFile::encodeName(drives_->itemText(k)).toStdString());
    return list.empty() ? roots() : list;
}

void CQuovantaView::SelectDriveEntry(const std::string& root)
{
    const int at = drives_->findText(toQ(root), Qt::MatchExactly);
    drives_->setCurrentIndex(at);
}

void CQuovantaView::InitDrives()
{
    const std::vector<std::string> list = roots();
    drives_->clear();
    for (const std::string& r : list)
        drives_->addItem(toQ(r));

    std::string wanted = getSetting(settingsFile_, keys::kDrive);
    if (wanted.empty())
        wanted = context_.startupDir;
    // The saved root itself, else the root that holds it (the longest that does), else the
    // root of the start-up directory; a root that has gone away is not searched for.
    std::optional<std::string> chosen = qv::rootHoldingPath(wanted, list);
    if (!chosen)
        chosen = qv::rootHoldingPath(context_.startupDir, list);
    if (!chosen && !list.empty())
        chosen = list.back();
    currentRoot_ = chosen.value_or(std::string());
    SettingSaved(putSetting(settingsFile_, keys::kDrive, currentRoot_));
    SelectDriveEntry(currentRoot_);
    if (!currentRoot_.empty())
        Search(currentRoot_);
}

void CQuovantaView::OnDriveSelected(int index)
{
    if (index < 0)
        return;
    const std::string root = QFile::encodeName(drives_->itemText(index)).toStdString();
    if (root != currentRoot_)
        SearchNewRoot(root);
}

void CQuovantaView::SearchNewRoot(const std::string& root)
{
    SelectDriveEntry(root);
    if (root.empty())
        return;
    currentRoot_ = root;
    SettingSaved(putSetting(settingsFile_, keys::kDrive, currentRoot_));
    Clear(1);
    Search(currentRoot_);
}

void CQuovantaView::OnReScan()
{
    if (!currentRoot_.empty())
        Search(currentRoot_);
}

// ---- Clearing and searching -----------------------------------------------------------------

void CQuovantaView::Clear(int level)
{
    if (level < 1 || level > 4)
        return;
    // Emptying a model moves no selection onto a row, so the selection handlers stay quiet.
    if (level <= 2) {
        portfolioModel_->clear();
        portfolioDir_.clear();
        masterPath_.clear();
    }
    if (level <= 3) {
        symbolModel_->clear();
        symbolCount_ = 0;
        currentSymbolIndex_ = 0;
        currentSymbol_.clear();
        currentName_.clear();
    }
    quoteModel_->clear();
    quotesRead_ = 0;
    quotesInFile_ = 0;
    quotePosition_ = 0;
    firstDateText_.clear();
    lastDateText_.clear();
    emit stateChanged();
}

void CQuovantaView::Search(const std::string& root)
{
    Clear(2);
    std::vector<std::string> found;
    {
        WaitCursor wait;
        CSearchProgressDlg progress(window());
        progress.show();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QElapsedTimer sinceRedraw;
        sinceRedraw.start();
        qv::SearchProgress callbacks;
        callbacks.onDirectory = [&](const std::string& path, int count) {
            // Redrawn a few times a second: a large disk has far more directories than frames.
            if (sinceRedraw.elapsed() < 40)
                return;
            sinceRedraw.restart();
            progress.setPath(toQ(path));
            progress.setFound(count);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        found = qv::searchPortfolios(root, settings_.searchLimit ? settings_.searchName : std::string(), callbacks);
        progress.setFound(static_cast<int>(found.size()));
        if (!settings_.soundDisable)
            beep();
        progress.close();
    }
    // The progress window had the activation; give it back rather than leave none.
    if (window()->isVisible())
        window()->activateWindow();

    if (found.empty()) {
        MessageBox::information(this,
                                QStringLiteral("Quovanta could not find any Portfolios on drive %1\n(No \"master\" "
                                               "files were found)")
                                    .arg(toQ(root)));
        // Asked once, at the start-up search of a first start: a newcomer gets something to try.
        const bool offer = firstStart_ && !startupDone_;
        firstStart_ = false;
        if (offer)
            OfferSampleWorkspace(*this);
        emit stateChanged();
        emit searchFinished();
        return;
    }
    portfolioModel_->setPortfolios(std::move(found));
    {
        // The search itself makes the first entry current, below.
        const QScopedValueRollback<bool> quiet(selectingPortfolio_, true);
        portfolioList_->setCurrentIndex(portfolioModel_->index(0));
    }
    if (!SetCurrentPortfolio(qv::joinPath(portfolioModel_->portfolios().front(), kMasterFileName))) {
        MessageBox::warning(this, QStringLiteral("Incorrect file name - should be MASTER"));
        Clear(1);
    } else {
        FillSymbolGrid(0);
    }
    emit stateChanged();
    emit searchFinished();
}

bool CQuovantaView::SetCurrentPortfolio(const std::string& path)
{
    if (path.size() >= kMaxPathLength) {
        MessageBox::warning(this, QStringLiteral("File/Path name too long"));
        return false;
    }
    const std::string suffix(kMasterFileName);
    if (path.size() < suffix.size() || path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    portfolioDir_ = qv::parentPath(path);
    // The file itself may be spelled "master" by the program that wrote it.
    masterPath_ = qv::masterPath(portfolioDir_);
    return true;
}

void CQuovantaView::OnPortfolioSelected(int row)
{
    const std::vector<std::string>& list = portfolioModel_->portfolios();
    if (row < 0 || row >= static_cast<int>(list.size()))
        return;
    if (SetCurrentPortfolio(qv::joinPath(list[static_cast<std::size_t>(row)], kMasterFileName)))
        FillSymbolGrid(0);
}

// ---- Grids --------------------------------------------------------------------------------

void CQuovantaView::showMessages(const std::vector<std::string>& messages, bool after)
{
    for (const std::string& m : messages) {
        const bool damaged = m == kSymbolListDamagedMessage;
        if (damaged != after)
            continue;
        const QString text = QString::fromStdString(m);
        if (m == kSymbolListFailureMessage)
            MessageBox::critical(this, text);
        else if (m.rfind("File has ", 0) == 0)
            MessageBox::information(this, text);
        else
            MessageBox::warning(this, text);
    }
}

void CQuovantaView::FillSymbolGrid(int row)
{
    Clear(3);
    qv::SymbolListing listing;
    {
        WaitCursor wait;
        if (portfolioModel_->rowCount() > 0)
            listing = qv::listSymbols(portfolioDir_);
    }
    if (!listing.ok) {
        MessageBox::critical(this, QString::fromStdString(std::string(kSymbolListFailureMessage)));
        symbolCount_ = 0;
        emit stateChanged();
        return;
    }
    // A read-only folder is told once per portfolio in a session, not at every refill (every
    // command refills the grid, and each would otherwise repeat it).
    if (listing.folderReadOnly && !readOnlyFoldersTold_.insert(portfolioDir_).second) {
        const std::string told = qv::readOnlyFolderMessage(portfolioDir_);
        std::erase(listing.messages, told);
    }
    // The count and skip-list messages come before the rows are seen, the damage after.
    showMessages(listing.messages, false);
    symbolCount_ = static_cast<int>(listing.rows.size());
    symbolModel_->setRows(std::move(listing.rows), portfolioDir_);
    if (symbolCount_ > 0) {
        currentSymbolIndex_ = std::clamp(row, 0, symbolCount_ - 1);
        // Already the current symbol index, so the selection handler leaves the fill to us.
        symbolGrid_->setCurrentIndex(symbolModel_->index(currentSymbolIndex_, 0));
        symbolGrid_->selectRow(currentSymbolIndex_);
        symbolGrid_->scrollTo(symbolModel_->index(currentSymbolIndex_, 0));
        FillQuoteGrid();
    }
    showMessages(listing.messages, true);
    emit stateChanged();
}

void CQuovantaView::OnSymbolRowChanged(int row)
{
    if (row == currentSymbolIndex_)
        return; // the fill that selected it reads the quotes itself
    currentSymbolIndex_ = row;
    FillQuoteGrid();
}

void CQuovantaView::FillQuoteGrid()
{
    Clear(4);
    if (currentSymbolIndex_ < 0 || currentSymbolIndex_ >= symbolModel_->rowCount())
        return;
    const qv::SymbolRow& symbolRow = symbolModel_->row(currentSymbolIndex_);
    currentSymbol_ = symbolRow.symbol;
    currentName_ = symbolRow.name;

    WaitCursor wait;
    qv::QuoteSeries series;
    const qv::StoreStatus factsStatus = qv::readQuoteSeries(series, portfolioDir_, currentSymbol_, 0, 0);
    quotesInFile_ = std::max(0, series.quotesInFile);
    const int toRead = settings_.displayLimit ? std::min(quotesInFile_, kRecentQuotes) : quotesInFile_;
    if (toRead == 0) {
        if (settings_.showingGraph)
            chartArea_->update();
        emit stateChanged();
        return;
    }
    if (factsStatus != kStatusOk) {
        quotesInFile_ = 0;
        MessageBox::warning(this, QString::fromLatin1(qv::kQuoteGridErrorMessage));
        emit stateChanged();
        return;
    }
    if (qv::initQuoteSeries(series, kQuoteChunk) != kStatusOk) {
        MessageBox::warning(this, QString::fromLatin1(qv::kTooManyQuotesMessage));
        emit stateChanged();
        return;
    }
    quoteModel_->reserve(toRead);
    const bool showProgress = ShowFillProgress(toRead);
    quotesRead_ = AppendQuoteChunks(series, toRead, showProgress);
    ReadDateRange(series);
    qv::freeQuoteSeries(series);

    quotePosition_ = 0;
    if (quotesRead_ > 0) {
        quoteGrid_->setCurrentIndex(quoteModel_->index(0, 0));
        quoteGrid_->selectRow(0);
        quoteGrid_->scrollToTop();
    }
    if (showProgress)
        progressBar_->hide();
    emit stateChanged();
    QueueTutorialPrompt();
}

bool CQuovantaView::ShowFillProgress(int toRead)
{
    if (!progressBar_ || toRead <= kQuoteChunk)
        return false;
    progressBar_->setRange(0, toRead);
    progressBar_->setValue(0);
    progressBar_->show();
    return true;
}

int CQuovantaView::AppendQuoteChunks(qv::QuoteSeries& series, int toRead, bool showProgress)
{
    std::vector<QuoteGridModel::Row> chunkRows;
    chunkRows.reserve(kQuoteChunk);
    int done = 0;
    while (done != toRead) {
        const int chunk = std::min(toRead - done, kQuoteChunk);
        const qv::StoreStatus st =
            settings_.displayLimit
                ? qv::readQuoteSeries(series, portfolioDir_, currentSymbol_, -1, kRecentQuotes)
                : qv::readQuoteSeries(series, portfolioDir_, currentSymbol_, toRead - done - chunk, chunk);
        // A file that shrank since its facts were read ends the fill like a failed read.
        if (st != kStatusOk || series.count < chunk) {
            MessageBox::warning(this, QString::fromLatin1(qv::kQuoteGridErrorMessage));
            break;
        }
        chunkRows.clear();
        for (int k = chunk - 1; k >= 0; --k)
            chunkRows.push_back(quoteRow(series, static_cast<std::size_t>(k)));
        int taken = 0;
        if (done < kFirstScreenful) {
            // The first screenful is painted before the rest is read.
            const int first = std::min(chunk, kFirstScreenful - done);
            quoteModel_->append(chunkRows.data(), first);
            taken = first;
            if (done + first == std::min(toRead, kFirstScreenful)) {
                quoteGrid_->setCurrentIndex(quoteModel_->index(0, 0));
                quoteGrid_->selectRow(0);
                if (quoteGrid_->isVisible())
                    quoteGrid_->viewport()->repaint();
            }
        }
        quoteModel_->append(chunkRows.data() + taken, chunk - taken);
        done += chunk;
        quotesRead_ = done;
        if (showProgress) {
            progressBar_->setValue(done);
            progressBar_->repaint();
        }
        if (settings_.showingGraph)
            chartArea_->update();
    }
    return done;
}

void CQuovantaView::ReadDateRange(qv::QuoteSeries& series)
{
    if (qv::readQuoteSeries(series, portfolioDir_, currentSymbol_, 0, 1) == kStatusOk && series.count > 0)
        firstDateText_ = QString::fromStdString(formatDateForDisplay(series.date[0]));
    if (qv::readQuoteSeries(series, portfolioDir_, currentSymbol_, -1, 1) == kStatusOk && series.count > 0)
        lastDateText_ = QString::fromStdString(formatDateForDisplay(series.date[0]));
}

void CQuovantaView::QueueTutorialPrompt()
{
    // The prompt is modal: it is asked once the fill's caller has returned, so that it never
    // runs its own event loop inside a paint or a selection change of the grids.
    if (!settings_.newbie || tutorialQueued_)
        return;
    tutorialQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        tutorialQueued_ = false;
        if (settings_.newbie)
            OnTutorial(*this);
    });
}

// ---- Toggles ------------------------------------------------------------------------------

void CQuovantaView::OnRecentAll()
{
    settings_.displayLimit = !settings_.displayLimit;
    SettingSaved(putSetting(settingsFile_, keys::kDisplayLimit, settings_.displayLimit ? 1 : 0));
    emit stateChanged();
    WaitCursor wait;
    FillQuoteGrid();
}

void CQuovantaView::OnGraph()
{
    settings_.showingGraph = !settings_.showingGraph;
    quoteStack_->setCurrentWidget(settings_.showingGraph ? static_cast<QWidget*>(chartArea_) : quoteGrid_);
    SettingSaved(putSetting(settingsFile_, keys::kShowingGraph, settings_.showingGraph ? 1 : 0));
    window()->update();
    emit stateChanged();
}

// ---- Help and About -----------------------------------------------------------------------

void CQuovantaView::OnHelpTopics() { CHelpWindow::showContents(window()); }

void CQuovantaView::OnUpdateQuotes() { update_->Start(); }

void CQuovantaView::OnAbout()
{
    CAboutDlg about(window());
    ModalDialog::exec(about);
}

// ---- Selection and refresh for the maintenance and profile commands -----------------------

int CQuovantaView::currentPortfolioIndex() const
{
    if (portfolioModel_->rowCount() == 0)
        return -1;
    const QModelIndex current = portfolioList_->currentIndex();
    return current.isValid() ? current.row() : 0;
}

void CQuovantaView::SelectPortfolio(int index)
{
    if (index < 0 || index >= portfolioModel_->rowCount())
        return;
    {
        // Filled below even when the row is already current (no selection change then).
        const QScopedValueRollback<bool> quiet(selectingPortfolio_, true);
        portfolioList_->setCurrentIndex(portfolioModel_->index(index));
    }
    portfolioList_->scrollTo(portfolioModel_->index(index));
    OnPortfolioSelected(index);
    emit stateChanged();
}

void CQuovantaView::AddPortfolio(const std::string& dir)
{
    std::vector<std::string> list = portfolioModel_->portfolios();
    auto at = std::find(list.begin(), list.end(), dir);
    if (at == list.end()) {
        list.push_back(dir);
        portfolioModel_->setPortfolios(list);
        at = list.end() - 1;
    }
    SelectPortfolio(static_cast<int>(at - list.begin()));
}

void CQuovantaView::SelectSymbolRow(int row)
{
    if (row < 0 || row >= symbolModel_->rowCount())
        return;
    symbolGrid_->setCurrentIndex(symbolModel_->index(row, 0));
    symbolGrid_->selectRow(row);
    symbolGrid_->scrollTo(symbolModel_->index(row, 0));
    // The selection handler fills the quote grid when the row changed; the same row needs no fill.
    emit stateChanged();
}

void CQuovantaView::RefreshSkipMarks()
{
    symbolModel_->refreshSkipFlags();
    portfolioList_->viewport()->update();
    emit stateChanged();
}

} // namespace qv::gui
