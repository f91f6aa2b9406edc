// Renders the main window (grid and graph) and each dialog to PNG files, on the offscreen
// platform, over a demo workspace copied from sample/SAMPLE:
//   quovanta-screenshots OUTPUT_DIR [SAMPLE_DIR]
#include "core/app/program_settings.h"
#include "core/platform/settings_file.h"
#include "core/update/update_run.h"
#include "gui/app/CAboutDlg.h"
#include "gui/app/CChooseDir.h"
#include "gui/app/CMainFrame.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"
#include "gui/help/CHelpWindow.h"
#include "gui/help/FirstStart.h"
#include "gui/maintain/CSplitSearchDlg.h"
#include "gui/update/CAnomalyReportDlg.h"
#include "gui/update/CSettingsDlg.h"
#include "gui/update/CUpdateProgressDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolBar>

#include <memory>

#include <cstdio>

namespace {

using namespace qv::gui;

QString g_out;
int g_failures = 0;

void save(QWidget* widget, const QString& name)
{
    widget->adjustSize();
    QApplication::processEvents();
    const QString path = g_out + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void saveAsIs(QWidget* widget, const QString& name)
{
    QApplication::processEvents();
    const QString path = g_out + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget->grab().save(path)) {
        ++g_failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

bool copyTree(const QString& source, const QString& to)
{
    const QString from = QDir(source).absolutePath(); // relative paths below are taken from here
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(file);
        if (it.fileInfo().isDir()) {
            QDir().mkpath(target);
        } else if (!QFile::copy(file, target)) {
            return false;
        } else {
            QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
    return true;
}

// Waits for a condition while the event loop runs; false after the time limit.
template <class Condition>
bool waitFor(Condition done, int limitMs = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quovanta"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: quovanta-screenshots OUTPUT_DIR [SAMPLE_DIR]\n");
        return 2;
    }
    g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_out);
    const QString sample =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(QUOVANTA_SOURCE_DIR "/sample/SAMPLE");

    QTemporaryDir temp;
    const QString workspace = temp.path() + QStringLiteral("/demo");
    if (!copyTree(sample, workspace + QStringLiteral("/SAMPLE"))) {
        std::fprintf(stderr, "could not copy %s\n", qPrintable(sample));
        return 1;
    }
    // The sample's own update files (SAMPLE/TEXTDATA) give the update run its work.

    StartupContext context;
    context.startupDir = QFile::encodeName(workspace).toStdString();
    context.settingsPath = context.startupDir + "/QUOVANTA.INI";
    context.listRoots = [root = context.startupDir] { return std::vector<std::string>{root}; };
    qv::SettingsFile settings(context.settingsPath);
    for (const auto& [key, value] : {std::pair{qv::keys::kNewbie, 0}, std::pair{qv::keys::kAuditEnable, 1},
                                     std::pair{qv::keys::kSoundDisable, 1}}) {
        if (const qv::IoStatus s = qv::putSetting(settings, key, value); !s) {
            std::fprintf(stderr, "%s\n", s.message().c_str());
            return 1;
        }
    }

    MessageBox::setTestMode(true);
    CMainFrame frame(context);
    frame.resize(1000, 720);
    frame.show();
    if (!waitFor([&] { return frame.view()->startupDone(); })) {
        std::fprintf(stderr, "the portfolio search did not finish\n");
        return 1;
    }
    saveAsIs(&frame, QStringLiteral("main-grid"));
    {
        // The toolbar at three times its size, to judge the pictures.
        const QPixmap bar = frame.toolBar()->grab();
        const QString path = g_out + QStringLiteral("/toolbar-x3.png");
        if (bar.scaled(bar.size() * 3, Qt::KeepAspectRatio, Qt::FastTransformation).save(path))
            std::printf("%s\n", qPrintable(path));
    }

    frame.action(Command::RecentAll)->trigger();
    saveAsIs(&frame, QStringLiteral("main-grid-all"));
    frame.action(Command::RecentAll)->trigger();

    frame.action(Command::Graph)->trigger();
    saveAsIs(&frame, QStringLiteral("main-graph"));
    frame.action(Command::Graph)->trigger();

    // The menus, opened one at a time.
    int menuIndex = 0;
    for (QAction* menuAction : frame.menuBar()->actions()) {
        if (QMenu* menu = menuAction->menu()) {
            menu->popup(frame.mapToGlobal(QPoint(10, 10)));
            QApplication::processEvents();
            saveAsIs(menu, QStringLiteral("menu-%1").arg(++menuIndex));
            menu->hide();
        }
    }

    // Every modal dialog the main window opens is photographed instead of run.
    ModalDialog::setTestHandler([](QDialog& dialog) {
        QString name = dialog.windowTitle().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
        if (name.isEmpty())
            name = dialog.metaObject()->className();
        dialog.show();
        save(&dialog, QStringLiteral("dialog-") + name);
        dialog.hide();
        return int(QDialog::Rejected);
    });
    frame.action(Command::Settings)->trigger();
    frame.action(Command::About)->trigger();

    {
        CTutorialDlg tutorial(&frame);
        tutorial.show();
        save(&tutorial, QStringLiteral("dialog-tutorial"));
    }
    {
        CUpdateProgressDlg progress(&frame);
        qv::ProgressTexts texts;
        texts.count = "12  ";
        texts.portfolio = " " + context.startupDir + "/SAMPLE";
        texts.symbol = " IBM";
        texts.quoteFile = " DAILY.TXT";
        texts.extractionLabel = "Self-Extracting file:";
        texts.extractionFile = "QUOTES.EXE";
        progress.show();
        progress.setTexts(texts);
        save(&progress, QStringLiteral("dialog-update-progress"));
    }
    {
        std::unique_ptr<QFileDialog> chooser(CChooseDir::createDialog(&frame, workspace));
        chooser->resize(640, 420);
        chooser->show();
        saveAsIs(chooser.get(), QStringLiteral("dialog-choose-directory"));
    }
    CHelpWindow::showContents(&frame);
    if (CHelpWindow* help = CHelpWindow::instance()) {
        help->resize(700, 500);
        saveAsIs(help, QStringLiteral("help-contents"));
        CHelpWindow::showTutorial(&frame);
        saveAsIs(help, QStringLiteral("help-tutorial"));
        help->close();
    }

    // An update run through the window; its anomaly report is photographed by the handler.
    frame.action(Command::UpdateQuotes)->trigger();
    QApplication::processEvents();
    if (!waitFor([&] { return !frame.view()->updateRunning(); }, 60000))
        ++g_failures;
    QApplication::processEvents();

    // The dialogs of the maintenance, profile and ASCII commands, each photographed and
    // cancelled by the handler, so the workspace stays as it is.
    for (Command c : {Command::Profiles, Command::PortfolioAdd, Command::PortfolioDelete, Command::PortfolioSkipAdjust,
                      Command::SymbolAdd, Command::SymbolDelete, Command::SymbolEdit, Command::SymbolAbout,
                      Command::Import, Command::Export, Command::QuotesEdit, Command::QuotesSplit,
                      Command::QuotesAdjust, Command::QuotesDelete, Command::PrintPreview}) {
        frame.action(c)->trigger();
        QApplication::processEvents();
    }

    // The modeless split search window, after a search of the first portfolio.
    frame.action(Command::SplitSearch)->trigger();
    if (auto* search = frame.findChild<CSplitSearchDlg*>(QStringLiteral("splitSearchDialog"))) {
        search->OnSearch();
        if (!waitFor([&] { return !search->searching(); }))
            ++g_failures;
        save(search, QStringLiteral("split-search"));
        search->close();
    } else {
        std::fprintf(stderr, "the split search window did not open\n");
        ++g_failures;
    }

    // A first start: no settings file and no portfolio in reach. The offer, then (accepted: the
    // test mode's default answer) the sample workspace as a newcomer first sees it.
    {
        const QString first = temp.path() + QStringLiteral("/first");
        QDir().mkpath(first + QStringLiteral("/start"));
        StartupContext newcomer;
        newcomer.startupDir = QFile::encodeName(first + QStringLiteral("/start")).toStdString();
        newcomer.settingsPath = newcomer.startupDir + "/QUOVANTA.INI";
        newcomer.listRoots = [root = newcomer.startupDir] { return std::vector<std::string>{root}; };
        newcomer.dataDir = QFile::encodeName(first + QStringLiteral("/data")).toStdString();
        newcomer.sampleSources = {QFile::encodeName(QDir(sample).absolutePath()).toStdString()};
        QMessageBox offer(QMessageBox::Question, QStringLiteral("Quovanta"),
                          sampleWorkspaceQuestion(QStringLiteral("~/.local/share/quovanta/SAMPLE")),
                          QMessageBox::Yes | QMessageBox::No, &frame);
        offer.show();
        save(&offer, QStringLiteral("first-start-offer"));
        offer.hide();
        CMainFrame firstFrame(newcomer);
        firstFrame.resize(1000, 720);
        firstFrame.show();
        if (waitFor([&] { return firstFrame.view()->startupDone() && firstFrame.view()->symbolCount() > 0; }))
            saveAsIs(&firstFrame, QStringLiteral("first-start"));
        else
            ++g_failures;
        firstFrame.close();
    }

    for (const QString& text : MessageBox::shownTexts())
        std::printf("message: %s\n", qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    ModalDialog::setTestHandler({});
    return g_failures == 0 ? 0 : 1;
}
