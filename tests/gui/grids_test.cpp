// The symbol grid, the quote grid and the portfolio list: rows, formats, reading in chunks,
// the messages of damaged files, the red skip marks, and the column width rule.

#include "mainwindow_test_support.h"

#include "gui/app/CQuovantaView.h"
#include "gui/app/GridDelegate.h"
#include "gui/app/LayoutRules.h"
#include "gui/app/PortfolioListModel.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/app/SymbolGridModel.h"

#include <QAbstractItemModelTester>
#include <cstdlib>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using namespace qv::fixtures;

namespace {

using Row = QuoteGridModel::Row;

// n daily quotes from 1998-01-01 on; quote i opens at 10 + i and has volume 100 * i.
std::vector<QuoteRow> dailyRows(int n, int fields = 7)
{
    std::vector<QuoteRow> rows;
    for (int i = 0; i < n; ++i) {
        const float v = 10.0f + static_cast<float>(i);
        QuoteRow r{fileDateOfDayNumber(dayNumberOf(1998, 1, 1) + i), v, v + 0.5f, v - 0.25f, v + 0.125f,
                   100.0f * static_cast<float>(i)};
        if (fields == 7)
            r.push_back(static_cast<float>(i % 3 == 0 ? -5 : i));
        rows.push_back(r);
    }
    return rows;
}

void writeSecurity(const std::string& dir, std::vector<ByteVec>& entries, int fileNumber, const std::string& symbol,
                   const std::string& name, const std::vector<QuoteRow>& rows, int fields = 7)
{
    EntrySpec e;
    e.fileNumber = fileNumber;
    e.symbol = symbol;
    e.name = name;
    e.fields = fields;
    if (!rows.empty()) {
        e.firstDate = rows.front()[0];
        e.lastDate = rows.back()[0];
    }
    entries.push_back(masterEntry(e));
    const std::string stem = dir + "/F" + std::to_string(fileNumber);
    writeBytes(stem + ".DAT", quoteFile(fields, rows));
    std::vector<std::string> names = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};
    names.resize(static_cast<std::size_t>(fields));
    writeText(stem + ".DOP", dopText(names));
}

QStringList rowTexts(const QAbstractItemModel& model, int row)
{
    QStringList texts;
    for (int c = 0; c < model.columnCount(); ++c)
        texts << model.index(row, c).data().toString();
    return texts;
}

// Counts the pixels of `colour` in a row painted by the grid delegate; text edges are blended,
// so a text colour is matched loosely.
int pixelsOf(const QImage& image, const QColor& colour, int tolerance = 0)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                ++n;
        }
    return n;
}

QImage paintCell(const QModelIndex& index, bool selected)
{
    QImage image(120, 20, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.palette = QPalette(Qt::black, Qt::white);
    option.palette.setColor(QPalette::Base, Qt::white);
    option.palette.setColor(QPalette::Highlight, Qt::blue);
    option.palette.setColor(QPalette::HighlightedText, Qt::yellow);
    QFont font;
    font.setPixelSize(14);
    option.font = font;
    option.fontMetrics = QFontMetrics(font);
    option.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
    GridDelegate delegate(GridDelegate::Kind::Grid);
    delegate.paint(&painter, option, index);
    return image;
}

} // namespace

class Grids : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> tmp_;
    std::string data_;

    std::unique_ptr<CMainFrame> open(bool allQuotes = false)
    {
        qv::SettingsFile settings = quietSettings();
        qv::putSetting(settings, qv::keys::kSearchLimit, 0);
        qv::putSetting(settings, qv::keys::kDisplayLimit, allQuotes ? 0 : 1);
        auto frame = openMainWindow(tmp_->path(), tmp_->path());
        if (!waitForStartup(*frame))
            return nullptr;
        return frame;
    }

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        tmp_ = std::make_unique<TempDir>();
        data_ = tmp_->subdir("Data");
    }
    void cleanup() { tmp_.reset(); }

    void quoteModelFormatsEachColumn()
    {
        QuoteGridModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const Row rows[] = {
            {static_cast<qv::DayNumber>(dayNumberOf(2001, 3, 9)), {12.5f, 13.0f, 12.0625f, 12.75f, 15000.0f, 321.0f}},
            {static_cast<qv::DayNumber>(dayNumberOf(1999, 12, 31)), {-1.0f, 1.23456f, 0.0f, 7.0f, -1.0f, 1234.75f}},
        };
        model.append(rows, 2);
        model.append(rows, 0);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 7);
        QCOMPARE(rowTexts(model, 0), (QStringList{"03/09/01", "12.5000", "13.0000", "12.0625", "12.7500", "15000", "321"}));
        // Absent fields read as N/A; volume and open interest are rounded, not cut.
        QCOMPARE(rowTexts(model, 1), (QStringList{"12/31/99", "N/A", "1.2346", "0.0000", "7.0000", "N/A", "1235"}));
        QCOMPARE(model.index(1, 0).data(kItemDataRole).toInt(), 1);
        QStringList headers;
        for (int c = 0; c < 7; ++c)
            headers << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"Date", "Open", "High", "Low", "Close", "Volume", "Open Interest"}));
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void selectingASymbolShowsItsQuotesNewestFirst()
    {
        std::vector<ByteVec> entries;
        writeSecurity(data_, entries, 1, "TEN", "TEN CORP", dailyRows(10));
        writeSecurity(data_, entries, 2, "GC", "CAF\xC9 LTD", dailyRows(12, 6), 6);
        writeBytes(data_ + "/MASTER", masterFile(entries));
        auto frame = open();
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        const QuoteGridModel* model = view->quoteModel();
        QAbstractItemModelTester quoteTester(view->quoteModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester symbolTester(view->symbolModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(view->symbolModel()->rowCount(), 2);
        // Names are Windows-1252 bytes.
        QCOMPARE(view->symbolModel()->index(1, SymbolGridModel::Name).data().toString().trimmed(),
                 QString::fromUtf8("CAF\u00C9 LTD"));
        QCOMPARE(view->symbolModel()->index(1, SymbolGridModel::Symbol).data(kItemDataRole).toInt(), 2 * 65536 + 1);

        QCOMPARE(model->rowCount(), 10);
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 10 of 10"));
        QCOMPARE(rowTexts(*model, 0), (QStringList{"01/10/98", "19.0000", "19.5000", "18.7500", "19.1250", "900", "N/A"}));
        QCOMPARE(rowTexts(*model, 9), (QStringList{"01/01/98", "10.0000", "10.5000", "9.7500", "10.1250", "0", "N/A"}));
        QCOMPARE(rowTexts(*model, 1).at(6), QStringLiteral("8"));
        QCOMPARE(view->quoteGrid()->currentIndex().row(), 0);

        // Six fields: no open interest in any row.
        view->symbolGrid()->selectRow(1);
        QCOMPARE(view->currentSymbolIndex(), 1);
        QCOMPARE(QString::fromStdString(view->currentSymbol()), QStringLiteral("GC"));
        QCOMPARE(view->quotesRead(), 12);
        for (int r = 0; r < 12; ++r)
            QCOMPARE(model->index(r, QuoteGridModel::OpenInterest).data().toString(), QStringLiteral("N/A"));
        QCOMPARE(frame->symbolPane()->text(), QStringLiteral("Symbol 2 of 2"));
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 12 of 12"));
        view->quoteGrid()->selectRow(11);
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 1 of 12"));
    }

    void allModeReadsInChunksAndKeepsEveryRowInPlace()
    {
        std::vector<ByteVec> entries;
        writeSecurity(data_, entries, 3, "LONG", "LONG HISTORY", dailyRows(1000));
        writeBytes(data_ + "/MASTER", masterFile(entries));
        auto frame = open(true);
        QVERIFY(frame);
        const QuoteGridModel* model = frame->view()->quoteModel();
        QCOMPARE(model->rowCount(), 1000);
        QCOMPARE(frame->view()->quotesRead(), 1000);
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 1000 of 1000"));
        // Row r holds quote 999 - r, across the chunk boundaries (rows 399/400 and 799/800).
        for (int r : {0, 29, 30, 399, 400, 401, 799, 800, 999}) {
            const int quote = 999 - r;
            QCOMPARE(static_cast<int>(model->row(r).date), dayNumberOf(1998, 1, 1) + quote);
            QCOMPARE(model->row(r).values[0], 10.0f + static_cast<float>(quote));
        }
        QVERIFY(!frame->statusProgress()->isVisible());
        QCOMPARE(frame->view()->firstDateText(), QStringLiteral("01/01/98"));
    }

    void damagedMastersShowWhatCanBeReadAndSaySo()
    {
        // A header counting 300 securities over 255 entries: the first 255, and full.
        std::vector<ByteVec> records{masterHeader(300, 300)};
        for (int n = 1; n <= 255; ++n)
            records.push_back(masterEntry({n, "S" + std::to_string(n), "NAME", 7}));
        writeBytes(data_ + "/MASTER", concat(records));
        auto frame = open();
        QVERIFY(frame);
        QCOMPARE(frame->view()->symbolModel()->rowCount(), 255);
        QCOMPARE(frame->view()->symbolCount(), 255);
        QVERIFY(MessageBox::shownTexts().contains(
            QStringLiteral("File has 300 symbols.\nWill only display the first 255 symbols")));
        QCOMPARE(frame->symbolPane()->text(), QStringLiteral("Symbol 1 of 255"));
        QVERIFY(!commandRuleAllows(Command::SymbolAdd, frame->view()->browserState()));

        // A file number listed twice: the second entry is left out, reported after the fill.
        std::vector<ByteVec> entries;
        writeSecurity(data_, entries, 1, "ONE", "ONE", dailyRows(2));
        writeSecurity(data_, entries, 2, "TWO", "TWO", dailyRows(2));
        entries.push_back(masterEntry({1, "AGAIN", "AGAIN", 7}));
        writeBytes(data_ + "/MASTER", masterFile(entries));
        MessageBox::clearShown();
        frame = open();
        QVERIFY(frame);
        QCOMPARE(frame->view()->symbolModel()->rowCount(), 2);
        QCOMPARE(frame->view()->symbolModel()->index(1, 0).data().toString(), QStringLiteral("TWO"));
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("Your master file is partially damaged")});

        // Shorter than its header: empty grids.
        writeBytes(data_ + "/MASTER", ByteVec(20, 0));
        MessageBox::clearShown();
        frame = open();
        QVERIFY(frame);
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("Failure while filling symbols grid")});
        QCOMPARE(frame->view()->symbolCount(), 0);
        QCOMPARE(frame->symbolPane()->text(), QStringLiteral("No Symbols Read"));
    }

    void skippedSecuritiesAndTheirPortfoliosAreMarkedRed()
    {
        std::vector<ByteVec> entries;
        writeSecurity(data_, entries, 1, "KEEP", "KEEP", dailyRows(2));
        writeSecurity(data_, entries, 2, "SKIP", "SKIP", dailyRows(2));
        writeBytes(data_ + "/MASTER", masterFile(entries));
        ByteVec skip(256, 0);
        skip[0] = 1;
        skip[2] = 1;
        writeBytes(data_ + "/SKIPQVTA.PBG", skip);
        // The default skip list (position 0 only) and an all-clear one leave a portfolio unmarked.
        const std::string plain = tmp_->subdir("Plain");
        const std::string cleared = tmp_->subdir("Cleared");
        for (const std::string& dir : {plain, cleared}) {
            std::vector<ByteVec> e;
            writeSecurity(dir, e, 1, "X", "X", dailyRows(1));
            writeBytes(dir + "/MASTER", masterFile(e));
        }
        ByteVec defaults(256, 0);
        defaults[0] = 1;
        writeBytes(plain + "/SKIPQVTA.PBG", defaults);
        writeBytes(cleared + "/SKIPQVTA.PBG", ByteVec(256, 0));

        auto frame = open();
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        const std::vector<std::string> list = view->portfolios();
        QCOMPARE(list.size(), std::size_t{3});
        for (int row = 0; row < 3; ++row) {
            const bool marked = view->portfolioModel()->index(row).data(kSkipMarkRole).toBool();
            QCOMPARE(marked, list[static_cast<std::size_t>(row)] == data_);
        }
        const int dataRow = static_cast<int>(std::find(list.begin(), list.end(), data_) - list.begin());
        view->portfolioList()->setCurrentIndex(view->portfolioModel()->index(dataRow));
        QCOMPARE(view->portfolioDir(), data_);
        const SymbolGridModel* symbols = view->symbolModel();
        QVERIFY(!symbols->index(0, 0).data(kSkipMarkRole).toBool());
        QVERIFY(symbols->index(1, 1).data(kSkipMarkRole).toBool());
        QVERIFY(!frame->action(Command::SymbolSkip)->isChecked());
        view->symbolGrid()->selectRow(1);
        QVERIFY(frame->action(Command::SymbolSkip)->isChecked());

        // Painted: red text on the window colour, white text on red when selected.
        const QImage skipped = paintCell(symbols->index(1, 0), false);
        QVERIFY(pixelsOf(skipped, QColor(255, 0, 0), 60) > 5);
        QVERIFY(pixelsOf(skipped, Qt::white) > 100);
        const QImage skippedSelected = paintCell(symbols->index(1, 0), true);
        QVERIFY(pixelsOf(skippedSelected, QColor(255, 0, 0)) > 100);
        QVERIFY(pixelsOf(skippedSelected, Qt::white, 60) > 5);
        QCOMPARE(pixelsOf(skippedSelected, Qt::blue), 0);
        const QImage kept = paintCell(symbols->index(0, 0), true);
        QCOMPARE(pixelsOf(kept, QColor(255, 0, 0), 60), 0);
        QVERIFY(pixelsOf(kept, Qt::blue) > 100);
        // The light grey grid lines.
        QVERIFY(pixelsOf(paintCell(symbols->index(0, 0), false), QColor(192, 192, 192)) >= 20);

        // A mark set by another program shows once the skip list is read again.
        writeBytes(data_ + "/SKIPQVTA.PBG", defaults);
        view->symbolModel()->refreshSkipFlags();
        QVERIFY(!symbols->index(1, 0).data(kSkipMarkRole).toBool());
        QVERIFY(!view->portfolioModel()->index(dataRow).data(kSkipMarkRole).toBool());
    }

    void unusableSkipListIsReportedOnceAndMarksNothing()
    {
        std::vector<ByteVec> entries;
        writeSecurity(data_, entries, 1, "ONE", "ONE", dailyRows(2));
        writeBytes(data_ + "/MASTER", masterFile(entries));
        // A directory in the skip list's place can be neither read nor replaced.
        QVERIFY(QDir().mkpath(q(data_ + "/SKIPQVTA.PBG")));
        auto frame = open();
        QVERIFY(frame);
        QVERIFY(MessageBox::shownTexts().contains(
            QStringLiteral("incorrect file length in FillSymbolsGrid\ndelete skipqvta.pbg")));
        QVERIFY(!frame->view()->symbolModel()->index(0, 0).data(kSkipMarkRole).toBool());
        QVERIFY(!frame->view()->portfolioModel()->index(0).data(kSkipMarkRole).toBool());
        const QString listMessage = q("Incorrect file length in odlist.\nPlease delete the file called\"skipqvta.pbg\" "
                                      "in directory\n" + data_ + ".");
        QTRY_VERIFY(MessageBox::shownTexts().contains(listMessage));
        // Once per run, not once per paint.
        frame->view()->portfolioList()->viewport()->repaint();
        QCoreApplication::processEvents();
        QCOMPARE(MessageBox::shownTexts().count(listMessage), 1);
    }

    void columnWidthRule()
    {
        // The saved defaults add up to 480: too wide for a 470-pixel grid.
        QCOMPARE(fitColumnWidths({60, 70, 70, 70, 70, 60, 80}, 470), std::vector<int>(7, 60));
        QCOMPARE(fitColumnWidths({60, 70, 70, 70, 70, 60, 80}, 480), (std::vector<int>{60, 70, 70, 70, 70, 60, 80}));
        QCOMPARE(fitColumnWidths({100, 100}, 200), (std::vector<int>{100, 100}));
        QCOMPARE(fitColumnWidths({100, 0}, 300), std::vector<int>(2, 135));
        QCOMPARE(fitColumnWidths({100, -4}, 300), std::vector<int>(2, 135));
        QCOMPARE(fitColumnWidths({301, 1}, 300), std::vector<int>(2, 135));
        // Widths edited by hand cannot overflow the sum.
        QCOMPARE(fitColumnWidths({2147483000, 2147483000}, 300), std::vector<int>(2, 135));
    }

    void placementRule()
    {
        const QRect screen(0, 0, 1000, 801);
        QCOMPARE(initialPlacement(5, 6, 300, 200, screen), QRect(5, 6, 300, 200));
        QCOMPARE(initialPlacement(0, 0, 1, 1, screen), QRect(0, 0, 1, 1));
        // 95 % truncated (950 x 760), centred with integer division.
        QCOMPARE(initialPlacement(5, 6, 0, 200, screen), QRect(25, 20, 950, 760));
        QCOMPARE(initialPlacement(5, 6, 300, 200, QRect(100, 50, 1000, 801)), QRect(5, 6, 300, 200));
        QCOMPARE(initialPlacement(-1, 6, 300, 200, QRect(100, 50, 1000, 801)), QRect(125, 70, 950, 760));
    }
};

QTEST_MAIN(Grids)
#include "grids_test.moc"
