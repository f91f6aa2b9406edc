// Printing the current security's quotes to a PDF file through the window's print commands, read
// back with pdftotext to count the pages and check where each page starts.

#include "mainwindow_test_support.h"

#include "core/chart/chart_test_support.h"
#include "gui/chart/ChartCommands.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace qv::guitest;

namespace {

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

class PrintTest : public QObject {
    Q_OBJECT

    qv::fixtures::TempDir tmp_;
    std::unique_ptr<CMainFrame> frame_;
    QString pdf_;

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        quietSettings();
        // 45 quotes; pages 5.4 inches high with half-inch margins: 440 hundredths of an inch
        // print 20 lines of 0.21 or 0.22 inch, whichever the font's height rounds to.
        qv::charttest::writeSecurity(tmp_.subdir("Data"), qv::charttest::climbingDays(45));
        frame_ = openStarted(tmp_.path());
        pdf_ = q(tmp_.file("quotes.pdf"));
        QFile::remove(pdf_);
        QPrinter& printer = sessionPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf_);
        printer.setPrintRange(QPrinter::AllPages);
        printer.setPageLayout(QPageLayout(QPageSize(QSizeF(8.5, 5.4), QPageSize::Inch), QPageLayout::Portrait,
                                          QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch));
    }

    void printWritesEveryPageOldestFirstAndOnlyTheDialogsOkPrints()
    {
        QVERIFY(frame_);
        DialogRecorder dialogs;
        dialogs.install();
        // A cancelled print dialog prints nothing.
        OnPrint(*frame_->view(), true);
        QVERIFY(!QFileInfo::exists(pdf_));

        dialogs.answers = {QDialog::Accepted};
        OnPrint(*frame_->view(), true);
        QVERIFY(QFileInfo(pdf_).size() > 0);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (Debian package poppler-utils) is not installed: the PDF's pages were not read");
        const std::vector<QStringList> pages = pdfPages(pdf_);
        QCOMPARE(pages.size(), std::size_t{3});
        // 20, 20 and 5 lines; quote i opens at 10 + i.
        const int firstQuote[] = {0, 20, 40};
        const int lineCount[] = {20, 20, 5};
        for (std::size_t p = 0; p < 3; ++p) {
            QCOMPARE(pages[p].size(), lineCount[p]);
            QCOMPARE(pages[p].first().section(QLatin1Char(' '), 1, 1), QString::number(10 + firstQuote[p]) + ".0000");
        }
        QCOMPARE(pages[0].first(), QStringLiteral("01/02/97 10.0000 11.0000 9.5000 10.5000 100.00 7.00"));
    }

    void aPrinterThatCannotStartIsReported()
    {
        QVERIFY(frame_);
        // Nowhere to write: the directory does not exist.
        sessionPrinter().setOutputFileName(q(tmp_.file("missing/dir/quotes.pdf")));
        OnPrint(*frame_->view(), false);
        QCOMPARE(MessageBox::shownTexts(), QStringList{kPrinterUnavailableMessage});
    }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
