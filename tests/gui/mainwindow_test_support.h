#pragma once
// What the main window tests share: a main window over a temporary start-up directory, the
// settings file of the test program (QUOVANTA_INI) emptied first, message boxes recorded instead
// of shown, and modal dialogs answered by the test.

#include "core/app/program_settings.h"
#include "core/platform/settings_file.h"
#include "fixtures/portfolio_builder.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CQuovantaView.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv::guitest {

using namespace qv::gui;

inline QString q(const std::string& s) { return QString::fromStdString(s); }

// A setting a test starts from: a test that could not write it would prove nothing.
inline void require(const qv::IoStatus& status)
{
    if (!status)
        qFatal("%s", status.message().c_str());
}

// The settings file the test program was given, emptied; unless `tutorialPrompt`, with the
// tutorial prompt already answered for good.
inline qv::SettingsFile quietSettings(bool tutorialPrompt = false)
{
    QFile::remove(q(qv::SettingsFile::defaultPath()));
    qv::SettingsFile settings(qv::SettingsFile::defaultPath());
    if (!tutorialPrompt)
        require(qv::putSetting(settings, qv::keys::kNewbie, 0));
    return settings;
}

// Records the titles of the modal dialogs and answers them from a queue (Rejected when it runs
// dry); `inspect` sees each dialog before it is answered.
struct DialogRecorder {
    QStringList titles;
    std::vector<int> answers;
    std::function<void(QDialog&)> inspect;

    void install()
    {
        ModalDialog::setTestHandler([this](QDialog& dialog) {
            titles << dialog.windowTitle();
            if (inspect)
                inspect(dialog);
            if (answers.empty())
                return int(QDialog::Rejected);
            const int answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        });
    }
    ~DialogRecorder() { ModalDialog::setTestHandler({}); }
};

// A shown main window whose start-up directory is `startup` and whose only root is `root`
// (`startup` when empty), once its deferred start-up (columns, root, first search) has ended;
// null when it did not end. A first start's sample workspace goes to `startup`/data.
inline std::unique_ptr<CMainFrame> openStarted(const std::string& startup, std::string root = {})
{
    StartupContext context;
    context.startupDir = startup;
    context.settingsPath = qv::SettingsFile::defaultPath();
    context.listRoots = [root = root.empty() ? startup : root] { return std::vector<std::string>{root}; };
    context.dataDir = startup + "/data";
    auto frame = std::make_unique<CMainFrame>(context);
    frame->show();
    if (!QTest::qWaitFor([&] { return frame->view()->startupDone(); }, 10000))
        return nullptr;
    // Shortcuts reach only the active window; the search's progress window took the activation.
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
    return QTest::qWaitForWindowActive(frame.get()) ? std::move(frame) : nullptr;
}

// Selects the listed portfolio `dir`; false when it is not listed.
inline bool selectPortfolio(CQuovantaView& view, const std::string& dir)
{
    const std::vector<std::string> list = view.portfolios();
    const auto at = std::find(list.begin(), list.end(), dir);
    if (at == list.end())
        return false;
    view.SelectPortfolio(static_cast<int>(at - list.begin()));
    return view.portfolioDir() == dir;
}

// A dialog's control by object name; a missing one ends the test program.
template <typename W>
W* child(const QObject& parent, const char* name)
{
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}
inline QLineEdit* edit(const QObject& dlg, const char* name) { return child<QLineEdit>(dlg, name); }
inline void click(const QObject& dlg, const char* name) { child<QPushButton>(dlg, name)->click(); }

} // namespace qv::guitest
