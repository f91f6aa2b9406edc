// Printing the current security's quotes: to a PDF file through the window's print commands,
// read back with pdftotext to count the pages and check where each page starts.

#include "mainwindow_test_support.h"

#include "core/chart/chart_test_support.h"
#include "gui/app/CQuovantaView.h"
#include "gui/chart/ChartCommands.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace qv::guitest;
using qv::charttest::climbingDays;
using qv::fixtures::TempDir;

namespace {

// Pages 5.4 inches high with half-inch margins: 440 hundredths of an inch print 20 lines of
// 0.21 or 0.22 inch, whichever the font's height rounds to.
void pointPrinterAt(const QString& pdf)
{
    QPrinter& printer = sessionPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPageLayout(QPageLayout(QPageSize(QSizeF(8.5, 5.4), QPageSize::Inch), QPageLayout::Portrait,
                                      QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch));
}

// The text of each page, or no pages when pdftotext is missing.
QStringList pdfPages(const QString& pdf)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {QStringLiteral("pdftotext failed")};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast(); // the text ends with a form feed
    return pages;
}

QStringList linesOf(const QString& page)
{
    QStringList lines;
    for (const QString& l : page.split(QChar('\n')))
        if (!l.trimmed().isEmpty())
            lines << l.simplified();
    return lines;
}

bool havePdfToText() { return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(); }

// The printed line of climbing day i, with its columns as pdftotext separates them.
QString climbingLine(int i)
{
    const std::vector<qv::charttest::Day> days = climbingDays(i + 1);
    const qv::charttest::Day& d = days.back();
    const QString date = QDate(1961, 1, 1).addDays(d.dayNumber - 1).toString(QStringLiteral("MM/dd/yy"));
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
        .arg(date)
        .arg(double(d.open), 0, 'f', 4)
        .arg(double(d.high), 0, 'f', 4)
        .arg(double(d.low), 0, 'f', 4)
        .arg(double(d.close), 0, 'f', 4)
        .arg(double(d.volume), 0, 'f', 2)
        .arg(double(d.openInterest), 0, 'f', 2);
}

struct Window {
    TempDir tmp;
    std::unique_ptr<CMainFrame> frame;
    CQuovantaView& view() { return *frame->view(); }
    QString pdf() const { return QString::fromStdString(tmp.file("quotes.pdf")); }
};

std::unique_ptr<Window> openWith(int quotes, bool graph = false)
{
    qv::SettingsFile settings = quietSettings();
    qv::putSetting(settings, qv::keys::kShowingGraph, graph ? 1 : 0);
    auto w = std::make_unique<Window>();
    qv::charttest::writeSecurity(w->tmp.subdir("Data"), climbingDays(quotes));
    w->frame = openStarted(w->tmp.path());
    if (!w->frame)
        return nullptr;
    pointPrinterAt(w->pdf());
    return w;
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
    }

    void printWritesEveryPageOldestFirstAndOnlyTheDialogsOkPrints()
    {
        // 45 quotes at 20 lines a page: 20, 20 and 5 lines; page 3 starts with quote 40.
        auto w = openWith(45);
        QVERIFY(w);
        QCOMPARE(w->view().quotesInFile(), 45);
        int previewPages = -1;
        QStringList kinds;
        DialogRecorder dialogs;
        dialogs.inspect = [&](QDialog& d) {
            kinds << QString::fromLatin1(d.metaObject()->className());
            if (auto* preview = d.findChild<QPrintPreviewWidget*>()) {
                preview->updatePreview();
                previewPages = preview->pageCount();
            }
        };
        dialogs.install();
        // Cancelled print dialog, preview and page setup: nothing printed.
        OnPrint(w->view(), true);
        OnPrintPreview(w->view());
        OnPrintSetup(w->view());
        QCOMPARE(kinds, (QStringList{"QPrintDialog", "QPrintPreviewDialog", "QPageSetupDialog"}));
        QCOMPARE(previewPages, 3);
        QVERIFY(!QFileInfo::exists(w->pdf()));

        dialogs.answers = {QDialog::Accepted};
        OnPrint(w->view(), true);
        QVERIFY(QFileInfo(w->pdf()).size() > 0);
        const QStringList viaDialog = pdfPages(w->pdf());
        QVERIFY(QFile::remove(w->pdf()));

        OnPrint(w->view(), false);
        QCOMPARE(kinds.size(), 4); // no dialog this time
        QVERIFY(QFileInfo(w->pdf()).size() > 0);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        if (!havePdfToText())
            QSKIP("pdftotext (Debian package poppler-utils) is not installed: the PDF's pages were not read");
        const QStringList pages = pdfPages(w->pdf());
        QCOMPARE(viaDialog, pages);
        QCOMPARE(pages.size(), 3);
        const int firstQuote[] = {0, 20, 40};
        const int lineCount[] = {20, 20, 5};
        for (int p = 0; p < 3; ++p) {
            const QStringList lines = linesOf(pages[p]);
            QCOMPARE(lines.size(), lineCount[p]);
            QCOMPARE(lines.first(), climbingLine(firstQuote[p]));
        }
        QCOMPARE(linesOf(pages[0]).first(), QStringLiteral("01/02/97 10.0000 11.0000 9.5000 10.5000 100.00 7.00"));
        QCOMPARE(linesOf(pages[2]).last(), climbingLine(44));
    }

    void aSecurityWithoutQuotesPrintsOneEmptyPage()
    {
        auto w = openWith(0);
        QVERIFY(w);
        OnPrint(w->view(), false);
        QVERIFY(QFileInfo(w->pdf()).size() > 0);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        if (!havePdfToText())
            QSKIP("pdftotext (Debian package poppler-utils) is not installed: the PDF's pages were not read");
        const QStringList pages = pdfPages(w->pdf());
        QVERIFY(pages.size() <= 1);
        for (const QString& page : pages)
            QVERIFY(linesOf(page).isEmpty());
    }

    void printingIsOffWhileTheChartIsShown()
    {
        auto w = openWith(5, true);
        QVERIFY(w);
        for (Command c : {Command::Print, Command::PrintPreview, Command::PrintSetup})
            QVERIFY(!w->frame->action(c)->isEnabled());
        DialogRecorder dialogs;
        dialogs.answers = {QDialog::Accepted, QDialog::Accepted};
        dialogs.install();
        OnPrint(w->view(), false);
        OnPrint(w->view(), true);
        OnPrintPreview(w->view());
        QVERIFY(dialogs.titles.isEmpty());
        QVERIFY(!QFileInfo::exists(w->pdf()));
    }

    void aPrinterThatCannotStartIsReported()
    {
        auto w = openWith(5);
        QVERIFY(w);
        // Nowhere to write: the directory does not exist.
        sessionPrinter().setOutputFileName(QString::fromStdString(w->tmp.file("missing/dir/quotes.pdf")));
        OnPrint(w->view(), false);
        QCOMPARE(MessageBox::shownTexts(), QStringList{kPrinterUnavailableMessage});
    }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
