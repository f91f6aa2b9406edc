// The chart in the main window (where its bars land, following the selected symbol), and printing
// the current security's quotes to a PDF file, read back with pdftotext to count the pages and
// check where each page starts.

#include "mainwindow_test_support.h"

#include "core/chart/chart_test_support.h"
#include "gui/app/SymbolGridModel.h"
#include "gui/chart/ChartCommands.h"

#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using qv::charttest::climbingDays;

namespace {

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

class ChartPrintTest : public QObject {
    Q_OBJECT

    qv::fixtures::TempDir tmp_;
    QString pdf_;

    // A window over 45 quotes, printing to pages 5.4 inches high with half-inch margins: 440
    // hundredths of an inch print 20 lines of 0.21 or 0.22 inch, whichever the font's height
    // rounds to.
    std::unique_ptr<CMainFrame> openPrinting()
    {
        quietSettings();
        qv::charttest::writeSecurity(tmp_.subdir("Data"), climbingDays(45));
        pdf_ = q(tmp_.file("quotes.pdf"));
        QFile::remove(pdf_);
        QPrinter& printer = sessionPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf_);
        printer.setPrintRange(QPrinter::AllPages);
        printer.setPageLayout(QPageLayout(QPageSize(QSizeF(8.5, 5.4), QPageSize::Inch), QPageLayout::Portrait,
                                          QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch));
        return openStarted(tmp_.path());
    }

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
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
        sessionPrinter().setOutputFileName(q(tmp_.file("missing/dir/quotes.pdf"))); // no such directory
        OnPrint(*frame->view(), false);
        QCOMPARE(MessageBox::shownTexts(), QStringList{kPrinterUnavailableMessage});
    }
};

QTEST_MAIN(ChartPrintTest)
#include "chart_print_test.moc"
