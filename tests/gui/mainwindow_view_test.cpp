// The main window from start-up on (defaults without a settings file, the window placement, the
// first portfolio search, the tutorial prompt, the column widths kept between runs); its grids and
// portfolio list (cell texts, reading in chunks, the keyboard, the red skip marks with the
// messages of a skip list that cannot be used); the chart, where its bars land; and printing the
// current security's quotes to a PDF file, read back with pdftotext.

#include "mainwindow_test_support.h"

#include "core/chart/chart_test_support.h"
#include "core/platform/files.h"
#include "fixtures/read_only_folder.h"
#include "gui/app/GridDelegate.h"
#include "gui/app/LayoutRules.h"
#include "gui/app/PortfolioListModel.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/app/SymbolGridModel.h"
#include "gui/chart/ChartCommands.h"
#include "gui/help/CHelpWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QTableView>
#include <QtTest>

#include <filesystem>

using namespace qv::guitest;
using namespace qv::fixtures;
using qv::charttest::climbingDays;

namespace {

QStringList rowTexts(const QAbstractItemModel& model, int row)
{
    QStringList texts;
    for (int c = 0; c < model.columnCount(); ++c)
        texts << model.index(row, c).data().toString();
    return texts;
}

// Whether a selected cell painted by the grid delegate has many pixels of `colour`.
bool paintedWith(const QModelIndex& index, QRgb colour)
{
    QImage image(120, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.palette.setColor(QPalette::Highlight, Qt::blue);
    option.state = QStyle::State_Enabled | QStyle::State_Selected;
    GridDelegate(GridDelegate::Kind::Grid).paint(&painter, option, index);
    painter.end();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == colour ? 1 : 0;
    return n > 100;
}

// Whether column x of the chart's logical coordinates (from the rectangle's left pixel) has a
// green bar pixel.
bool columnHasGreen(const QImage& image, const QRect& rect, int x)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        if ((image.pixel(rect.left() + x, y) & 0xFFFFFF) == 0x00FF00)
            return true;
    return false;
}

// The non-blank lines of each page, simplified.
std::vector<QStringList> pdfPages(const QString& pdf)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")),
            {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    std::vector<QStringList> pages;
    for (const QString& page : QString::fromUtf8(p.readAllStandardOutput()).split(QChar('\f'), Qt::SkipEmptyParts)) {
        QStringList lines;
        for (const QString& l : page.split(QChar('\n')))
            if (!l.trimmed().isEmpty())
                lines << l.simplified();
        if (!lines.isEmpty())
            pages.push_back(lines);
    }
    return pages;
}

} // namespace

class MainWindowView : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> tmp_;
    std::string data_;
    QString pdf_;

    std::unique_ptr<CMainFrame> open()
    {
        qv::SettingsFile settings = quietSettings();
        require(qv::putSetting(settings, qv::keys::kSearchLimit, 0));
        return openStarted(tmp_->path());
    }

    // However often the grids refill and paint, `notice` is shown once in the run, and nothing is
    // marked.
    void toldOnceAndNothingMarked(const QString& notice)
    {
        auto frame = open();
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        QTRY_COMPARE(MessageBox::shownTexts().count(notice), 1);
        view->FillSymbolGrid(1);
        view->FillSymbolGrid(0);
        view->portfolioList()->viewport()->repaint();
        view->symbolGrid()->viewport()->repaint();
        QCoreApplication::processEvents();
        QCOMPARE(MessageBox::shownTexts().count(notice), 1);
        QCOMPARE(view->symbolCount(), 3);
        for (int row = 0; row < 3; ++row)
            QVERIFY(!view->symbolModel()->index(row, 0).data(kSkipMarkRole).toBool());
        QVERIFY(!view->portfolioModel()->index(0).data(kSkipMarkRole).toBool());
    }

    // A window over 45 quotes, printing to pages 5.4 inches high with half-inch margins: 440
    // hundredths of an inch print 20 lines of 0.21 or 0.22 inch, whichever the font's height
    // rounds to.
    std::unique_ptr<CMainFrame> openPrinting()
    {
        quietSettings();
        qv::charttest::writeSecurity(data_, climbingDays(45));
        pdf_ = q(tmp_->file("quotes.pdf"));
        QFile::remove(pdf_);
        QPrinter& printer = sessionPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf_);
        printer.setPrintRange(QPrinter::AllPages);
        printer.setPageLayout(QPageLayout(QPageSize(QSizeF(8.5, 5.4), QPageSize::Inch), QPageLayout::Portrait,
                                          QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch));
        return openStarted(tmp_->path());
    }

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        quietSettings();
        tmp_ = std::make_unique<TempDir>();
        data_ = tmp_->subdir("Data");
    }
    void cleanup() { tmp_.reset(); }

    void firstStartWithoutSettingsFileUsesTheDefaultsAndAsksForTheTutorialUntilYes()
    {
        qv::SettingsFile settings = quietSettings(true);
        TempDir tmp;
        const std::string startup = tmp.subdir("Start");
        const std::string data = tmp.subdir("Start/Data");
        writeStandardPortfolio(data);
        DialogRecorder dialogs;
        dialogs.install();
        auto frame = openStarted(startup, tmp.path());
        QVERIFY(frame);
        CQuovantaView* view = frame->view();

        QVERIFY(QFile::exists(q(startup + "/MyFirstProfile.pfd")));
        // Centred at 95 % of the screen, and written as placed.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const int w = static_cast<int>(screen.width() * 0.95);
        const int h = static_cast<int>(screen.height() * 0.95);
        QCOMPARE(frame->size(), QSize(w, h));
        QCOMPARE(frame->pos(), QPoint(screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2));
        QTRY_COMPARE(qv::getSetting(settings, qv::keys::kScreenCx), w);
        // Recent quotes, the search limited to the start-up directory's first level.
        QCOMPARE(frame->modePane()->text(), QStringLiteral("RECENT"));
        QCOMPARE(q(view->settings().searchName), q(startup.substr(0, startup.find('/', 1))));
        QCOMPARE(q(qv::getSetting(settings, qv::keys::kDrive)), q(tmp.path()));
        QCOMPARE(view->portfolios(), std::vector<std::string>{data});
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 10 of 10"));

        // The fill ended with the tutorial prompt, answered No: the next selection asks again.
        QCOMPARE(dialogs.titles, QStringList{QStringLiteral("Tutorial")});
        view->symbolGrid()->selectRow(1);
        QTRY_COMPARE(dialogs.titles.size(), 2);
        QCOMPARE(qv::getSetting(settings, qv::keys::kNewbie), 1);
        // Yes opens the tutorial and clears the flag for good.
        dialogs.answers = {QDialog::Accepted};
        view->symbolGrid()->selectRow(2);
        QTRY_COMPARE(dialogs.titles.size(), 3);
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("tutorial.html"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kNewbie), 0);
        view->symbolGrid()->selectRow(0);
        QCOMPARE(dialogs.titles.size(), 3);
        if (CHelpWindow* help = CHelpWindow::instance())
            help->close();
    }

    // Declined, nothing is copied, and the next start (with a settings file) only says that no
    // portfolio was found, until Re-Scan finds one; accepted, the copy is listed and shown, and
    // the tutorial prompt follows.
    void firstStartWithoutPortfoliosOffersTheSampleWorkspaceThenTheTutorial()
    {
        TempDir tmp;
        const std::string startup = tmp.subdir("Start");
        const std::string sample = startup + "/data/SAMPLE";
        const QString nothingFound =
            q("Quovanta could not find any Portfolios on drive " + startup + "\n(No \"master\" files were found)");
        for (const bool accept : {false, true}) {
            quietSettings(true);
            MessageBox::clearShown();
            MessageBox::setNextAnswer(QMessageBox::Ok); // nothingFound
            MessageBox::setNextAnswer(accept ? QMessageBox::Yes : QMessageBox::No);
            DialogRecorder dialogs;
            dialogs.install();
            auto frame = openStarted(startup);
            QVERIFY(frame);
            const QStringList shown = MessageBox::shownTexts();
            QCOMPARE(shown.size(), 2);
            QCOMPARE(shown[0], nothingFound);
            QVERIFY(shown[1].startsWith(QStringLiteral("Welcome to Quovanta.")));
            QCOMPARE(QFile::exists(q(sample + "/TEXTDATA/WEEK27.TXT")), accept);
            QCOMPARE(frame->view()->portfolios(),
                     accept ? std::vector<std::string>{sample} : std::vector<std::string>{});
            if (accept) {
                QVERIFY(frame->view()->symbolCount() > 0);
                QTRY_COMPARE(dialogs.titles, QStringList{QStringLiteral("Tutorial")});
                continue;
            }
            QVERIFY(frame->close());
            frame.reset();
            MessageBox::clearShown();
            frame = openStarted(startup);
            QVERIFY(frame);
            QCOMPARE(MessageBox::shownTexts(), QStringList{nothingFound});
            const std::string later = tmp.subdir("Start/Later");
            writeStandardPortfolio(later);
            frame->action(Command::ReScan)->trigger();
            QCOMPARE(frame->view()->portfolios(), std::vector<std::string>{later});
            QCOMPARE(frame->symbolPane()->text(), QStringLiteral("Symbol 1 of 3"));
            QVERIFY(frame->close());
            std::filesystem::remove_all(later);
        }
    }

    // A placement saved on a larger screen shrinks to the usable area; one partly or wholly off it
    // moves just onto it; one that fits stays. Column widths and splitter sizes the user changed
    // come back in the next run; without saved widths every column reads its longest content and
    // its header whole, and a zero width gives every column the same share.
    void placementSplittersAndColumnWidthsAreFittedAndKeptBetweenRuns()
    {
        const QRect area(0, 30, 1024, 738);
        const struct {
            QRect saved, fitted;
        } cases[] = {
            {{0, 0, 1920, 1080}, {0, 30, 1024, 738}},
            {{900, 500, 400, 300}, {624, 468, 400, 300}},
            {{-3000, 5000, 400, 300}, {0, 468, 400, 300}},
            {{100, 100, 400, 300}, {100, 100, 400, 300}},
        };
        for (const auto& c : cases)
            QCOMPARE(fitPlacement(c.saved, area), c.fitted);
        // A stored window position off the screen gives the centred default at 95 %, truncated.
        QCOMPARE(initialPlacement(-1, 6, 300, 200, QRect(100, 50, 1000, 801)), QRect(125, 70, 950, 760));
        // Widths too wide for the grid, and widths edited by hand whose sum would overflow.
        QCOMPARE(fitColumnWidths({60, 70, 70, 70, 70, 60, 80}, 470), std::vector<int>(7, 60));
        QCOMPARE(fitColumnWidths({2147483000, 2147483000}, 300), std::vector<int>(2, 135));

        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        writeStandardPortfolio(tmp.subdir("Data"));
        // The symbols take most of the upper row, so that two full fields fit on a small screen.
        for (const auto& [key, value] : {std::pair{qv::keys::kScreenX, 1900},
                                         {qv::keys::kScreenY, 1000},
                                         {qv::keys::kScreenCx, 1920},
                                         {qv::keys::kScreenCy, 1080},
                                         {qv::keys::kUpperSplit[0], 1},
                                         {qv::keys::kUpperSplit[1], 5}})
            require(qv::putSetting(settings, key, value));
        QList<int> upper, main;
        for (int run = 0; run < 3; ++run) {
            auto frame = openStarted(tmp.path());
            QVERIFY(frame);
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(screen.contains(frame->pos()));
            QVERIFY(frame->width() <= screen.width() && frame->height() <= screen.height());
            CQuovantaView* view = frame->view();
            std::vector<int> defaults = view->defaultQuoteColumnWidths();
            if (run == 0) {
                QCOMPARE(view->quoteColumnWidths(), defaults);
                const QFontMetrics cells = view->symbolGrid()->fontMetrics();
                QCOMPARE(view->symbolColumnWidths(), view->defaultSymbolColumnWidths());
                for (int w : view->symbolColumnWidths())
                    QVERIFY(w >= cells.horizontalAdvance(QStringLiteral("WWWWWWWWWWWWWWWW")) + 5);
                const QFontMetrics header = view->quoteGrid()->horizontalHeader()->fontMetrics();
                QVERIFY(defaults[6] >= header.horizontalAdvance(QStringLiteral("Open Interest")) + 5);
                QVERIFY(defaults[0] >= cells.horizontalAdvance(QStringLiteral("1900-01-01")) + 5);
                QVERIFY(defaults[1] >= cells.horizontalAdvance(QStringLiteral("12345.6789")) + 5);
                QVERIFY(defaults[5] >= cells.horizontalAdvance(QStringLiteral("1234567890")) + 5);
                view->quoteGrid()->setColumnWidth(2, 91);
                view->upperSplitter()->setSizes({100, 500});
                view->mainSplitter()->setSizes({300, 200});
                upper = view->upperSplitter()->sizes();
                main = view->mainSplitter()->sizes();
            } else if (run == 1) {
                defaults[2] = 91;
                QCOMPARE(view->quoteColumnWidths(), defaults);
                QCOMPARE(view->upperSplitter()->sizes(), upper);
                QCOMPARE(view->mainSplitter()->sizes(), main);
            } else {
                QCOMPARE(view->quoteColumnWidths(),
                         std::vector<int>(7, view->quoteGrid()->viewport()->width() * 9 / 70));
            }
            QVERIFY(frame->close());
            if (run == 1)
                QVERIFY(qv::putSetting(settings, qv::keys::kQuoteGridColumns[4], 0));
        }
        QCOMPARE(qv::getSetting(settings, qv::keys::kUpperSplit[0]), upper[0]);
    }

    void quotesAreShownNewestFirstInTheirFormatsAndAllAreReadInChunks()
    {
        std::vector<QuoteRow> rows; // quote i opens at 10 + i
        for (int i = 0; i < 1000; ++i) {
            const float v = 10.0f + static_cast<float>(i);
            rows.push_back({fileDateOfDayNumber(dayNumberOf(1998, 1, 1) + i), v, v + 0.5f, v - 0.25f, v + 0.125f,
                            100.0f * static_cast<float>(i), static_cast<float>(i % 3 == 0 ? -5 : i)});
        }
        writeSingleSecurity(data_, rows);
        auto frame = open();
        QVERIFY(frame);
        const QuoteGridModel* model = frame->view()->quoteModel();
        // A negative open interest reads as N/A.
        QCOMPARE(rowTexts(*model, 0),
                 (QStringList{"09/26/00", "1009.0000", "1009.5000", "1008.7500", "1009.1250", "99900", "N/A"}));
        QCOMPARE(rowTexts(*model, 1).at(6), QStringLiteral("998"));
        frame->view()->OnRecentAll();
        QCOMPARE(model->rowCount(), 1000);
        for (int r : {0, 399, 400, 799, 800, 999})
            QCOMPARE(model->row(r).values[0], 10.0f + static_cast<float>(999 - r));

        // Absent fields read N/A; open interest is rounded, not cut.
        QuoteGridModel alone;
        const QuoteGridModel::Row row{static_cast<qv::DayNumber>(dayNumberOf(1999, 12, 31)),
                                      {-1.0f, 1.23456f, 0.0f, 7.0f, -1.0f, 1234.75f}};
        alone.append(&row, 1);
        QCOMPARE(rowTexts(alone, 0), (QStringList{"12/31/99", "N/A", "1.2346", "0.0000", "7.0000", "N/A", "1235"}));
    }

    // Tab walks a grid cell by cell and row by row; it leaves the grid only past its last cell
    // (Shift+Tab before its first), and Ctrl+Tab leaves from any cell.
    void tabWalksTheGridsCellByCellAndLeavesOnlyAtTheEndOrWithCtrl()
    {
        writeStandardPortfolio(data_); // IBM, MSFT, GC
        auto frame = open();
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        for (QTableView* grid : {view->symbolGrid(), view->quoteGrid()}) {
            const int rows = grid->model()->rowCount();
            const int columns = grid->model()->columnCount();
            QVERIFY(rows >= 3 && columns >= 2);
            const auto at = [grid] { return std::pair(grid->currentIndex().row(), grid->currentIndex().column()); };
            const auto enter = [&](int row, int column) {
                grid->setFocus();
                grid->setCurrentIndex(grid->model()->index(row, column));
                return grid->hasFocus();
            };
            QVERIFY(enter(0, 0));
            for (int c = 1; c < columns; ++c)
                QTest::keyClick(grid, Qt::Key_Tab);
            QCOMPARE(at(), std::pair(0, columns - 1));
            QTest::keyClick(grid, Qt::Key_Tab);
            QCOMPARE(at(), std::pair(1, 0));
            QVERIFY(grid->hasFocus());
            if (grid == view->symbolGrid())
                QCOMPARE(view->currentSymbol(), std::string("MSFT")); // the row walked to is selected
            QTest::keyClick(grid, Qt::Key_Tab, Qt::ShiftModifier);
            QCOMPARE(at(), std::pair(0, columns - 1));

            QVERIFY(enter(0, 0));
            QTest::keyClick(grid, Qt::Key_Tab, Qt::ShiftModifier);
            QVERIFY(!grid->hasFocus());
            QVERIFY(enter(rows - 1, columns - 1));
            QTest::keyClick(grid, Qt::Key_Tab);
            QVERIFY(!grid->hasFocus());
            QVERIFY(enter(1, 0));
            QTest::keyClick(grid, Qt::Key_Tab, Qt::ControlModifier);
            QVERIFY(!grid->hasFocus());
            QCOMPARE(at(), std::pair(1, 0));
        }
    }

    void skippedSecuritiesAndTheirPortfoliosAreMarkedRed()
    {
        // Data marks MSFT (file number 2); Plain's list marks only position 0, which is no security.
        const std::string plain = tmp_->subdir("Plain");
        for (const std::string& dir : {data_, plain}) {
            writeStandardPortfolio(dir);
            ByteVec skip(256, 0);
            skip[0] = 1;
            skip[2] = dir == data_ ? 1 : 0;
            writeBytes(dir + "/SKIPQVTA.PBG", skip);
        }
        auto frame = open();
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        const std::vector<std::string> list = view->portfolios();
        for (int row = 0; row < 2; ++row)
            QCOMPARE(view->portfolioModel()->index(row).data(kSkipMarkRole).toBool(),
                     list[static_cast<std::size_t>(row)] == data_);
        QVERIFY(selectPortfolio(*view, data_));
        const SymbolGridModel* symbols = view->symbolModel();
        QVERIFY(!symbols->index(0, 0).data(kSkipMarkRole).toBool());
        QVERIFY(symbols->index(1, 1).data(kSkipMarkRole).toBool());
        view->symbolGrid()->selectRow(1);
        QVERIFY(frame->action(Command::SymbolSkip)->isChecked());
        // Painted selected: a skipped row on red rather than the highlight.
        QVERIFY(paintedWith(symbols->index(1, 0), 0xFF0000));
        QVERIFY(paintedWith(symbols->index(0, 0), 0x0000FF));
    }

    // XMASTER securities (file numbers beyond 255) are rows after MASTER's; Symbol Skip marks the
    // selected one alone, and its portfolio.
    void xmasterSecuritiesAreRowsWithSkipMarksOfTheirOwn()
    {
        for (const auto& e : std::filesystem::directory_iterator(realFolder("msdir_equis_b")))
            std::filesystem::copy_file(e.path(), data_ + "/" + e.path().filename().string());
        auto frame = open();
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        const SymbolGridModel* symbols = view->symbolModel();
        QCOMPARE(rowTexts(*symbols, 3), (QStringList{".N225", "NIKKEI 225 INDEX"}));
        view->symbolGrid()->selectRow(3);
        QCOMPARE(rowTexts(*view->quoteModel(), 0).at(0), QStringLiteral("01/05/82"));
        QVERIFY(!view->portfolioModel()->index(0).data(kSkipMarkRole).toBool());
        frame->action(Command::SymbolSkip)->trigger();
        for (int row = 0; row < 4; ++row)
            QCOMPARE(symbols->index(row, 0).data(kSkipMarkRole).toBool(), row == 3);
        QVERIFY(view->portfolioModel()->index(0).data(kSkipMarkRole).toBool());
        QCOMPARE(MessageBox::shownTexts(), QStringList{});
    }

    // A directory in the skip list's place can be neither read nor replaced; a read-only folder
    // gets its notice, never the message sending the user to delete a skip list that is not there.
    void anUnusableSkipListIsToldOncePerRunAndMarksNothing()
    {
        writeStandardPortfolio(data_);
        QVERIFY(QDir().mkpath(q(data_ + "/SKIPQVTA.PBG")));
        toldOnceAndNothingMarked(q("Incorrect file length in odlist.\nPlease delete the file called\"skipqvta.pbg\" "
                                   "in directory\n" +
                                   data_ + "."));
        QVERIFY(QDir(q(data_ + "/SKIPQVTA.PBG")).removeRecursively());
        MessageBox::clearShown();
        ReadOnlyFolder readOnly(data_);
        if (!readOnly.active())
            QSKIP(qPrintable(q("no read-only folder can be made here: " + readOnly.reason())));
        toldOnceAndNothingMarked(q(qv::readOnlyFolderMessage(data_)));
        for (const QString& text : MessageBox::shownTexts())
            QVERIFY2(!text.contains(QStringLiteral("skipqvta.pbg"), Qt::CaseInsensitive), qPrintable(text));
    }

    void theChartShownAtStartUpFollowsTheSelectedSymbol()
    {
        qv::SettingsFile settings = quietSettings();
        require(qv::putSetting(settings, qv::keys::kShowingGraph, 1));
        require(qv::putSetting(settings, qv::keys::kDisplayLimit, 0));
        qv::fixtures::TempDir tmp;
        qv::charttest::writePortfolio(tmp.subdir("Data"),
                                      {{"AAA", "AAA CORP", climbingDays(50)}, {"BBB", "BBB CORP", climbingDays(20)}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        frame->resize(1000, 700);
        CQuovantaView& view = *frame->view();
        QVERIFY(view.chartArea()->isVisible() && !view.quoteGrid()->isVisible());
        // The newest bar of each security stands at 8 + 3 * (quotes - 1), and none after it.
        for (const auto& [row, quotes] : {std::pair{0, 50}, std::pair{1, 20}}) {
            view.symbolGrid()->selectRow(row);
            QTRY_COMPARE(view.currentSymbol(), view.symbolModel()->row(row).symbol);
            QCOMPARE(view.quotesRead(), quotes); // all, not the recent 30
            const QImage image = view.chartArea()->grab().toImage();
            const QRect rect = view.chartArea()->contentsRect();
            QVERIFY(columnHasGreen(image, rect, 8 + (quotes - 1) * 3));
            QVERIFY(!columnHasGreen(image, rect, 8 + quotes * 3));
        }
    }

    void printWritesEveryPageOldestFirstAndOnlyTheDialogsOkPrints()
    {
        auto frame = openPrinting();
        QVERIFY(frame);
        DialogRecorder dialogs;
        dialogs.install();
        OnPrint(*frame->view(), true); // the print dialog, cancelled
        QVERIFY(!QFileInfo::exists(pdf_));
        dialogs.answers = {QDialog::Accepted};
        OnPrint(*frame->view(), true);
        QVERIFY(QFileInfo(pdf_).size() > 0);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (Debian package poppler-utils) is not installed: the PDF's pages were not read");
        const std::vector<QStringList> pages = pdfPages(pdf_);
        QCOMPARE(pages.size(), std::size_t{3});
        // 20, 20 and 5 lines; quote i opens at 10 + i.
        for (std::size_t p = 0; p < 3; ++p) {
            QCOMPARE(pages[p].size(), p < 2 ? 20 : 5);
            QCOMPARE(pages[p].first().section(QLatin1Char(' '), 1, 1), QString::number(10 + 20 * p) + ".0000");
        }
        QCOMPARE(pages[0].first(), QStringLiteral("01/02/97 10.0000 11.0000 9.5000 10.5000 100.00 7.00"));
    }

    void aPrinterThatCannotStartIsReported()
    {
        auto frame = openPrinting();
        QVERIFY(frame);
        sessionPrinter().setOutputFileName(q(tmp_->file("missing/dir/quotes.pdf"))); // no such directory
        OnPrint(*frame->view(), false);
        QCOMPARE(MessageBox::shownTexts(), QStringList{kPrinterUnavailableMessage});
    }
};

QTEST_MAIN(MainWindowView)
#include "mainwindow_view_test.moc"
