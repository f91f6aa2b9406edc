#pragma once
// The program's help window over the HTML pages shipped with it (compiled in as resources under
// ":/help/", the screenshots under ":/help/images/"). One window serves the whole program; each
// call brings it to the front on the page asked for.
//
// The window is a top-level window of its own: it stays open when the dialog or window that
// asked for it closes, and it ends with the program. Escape and Ctrl+W close it.

#include <QWidget>

class QTextBrowser;

namespace qv::gui {

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    // The parent only tells which screen the caller is on; the window never belongs to it.
    static void showContents(QWidget* parent);
    static void showTutorial(QWidget* parent);
    // The page named (e.g. "anomaly-report.html"), for dialogs' Help buttons.
    static void showTopic(QWidget* parent, const QString& page);
    // The page currently shown, for tests.
    static QString currentPage();

    // The window, when one is open (for tests and screenshots).
    static CHelpWindow* instance();

private:
    CHelpWindow();
    void open(const QString& page);

    QTextBrowser* browser_ = nullptr;
};

} // namespace qv::gui
