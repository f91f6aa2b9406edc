// The symbol grid, the quote grid and the portfolio list: cell texts, reading in chunks, the
// keyboard, and the red skip marks with the messages of a skip list that cannot be used.

#include "mainwindow_test_support.h"

#include "core/platform/files.h"
#include "fixtures/read_only_folder.h"
#include "gui/app/GridDelegate.h"
#include "gui/app/PortfolioListModel.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/app/SymbolGridModel.h"

#include <filesystem>

#include <QDir>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using namespace qv::fixtures;

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

} // namespace

class Grids : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> tmp_;
    std::string data_;

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

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        tmp_ = std::make_unique<TempDir>();
        data_ = tmp_->subdir("Data");
    }
    void cleanup() { tmp_.reset(); }

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
};

QTEST_MAIN(Grids)
#include "grids_test.moc"
