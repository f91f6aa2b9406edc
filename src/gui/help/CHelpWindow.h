#pragma once
// The program's help window over the HTML pages shipped with it (compiled in as resources under
// ":/help/"). One window serves the whole program; each call brings it to the front on the page
// asked for.

#include <QWidget>

class QTextBrowser;

namespace qv::gui {

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    static void showContents(QWidget* parent);
    static void showTutorial(QWidget* parent);
    // The page named (e.g. "anomaly-report.html"), for dialogs' Help buttons.
    static void showTopic(QWidget* parent, const QString& page);
    // The page currently shown, for tests.
    static QString currentPage();

    // The window, when one is open (for tests and screenshots).
    static CHelpWindow* instance();

private:
    explicit CHelpWindow(QWidget* parent);
    void open(const QString& page);

    QTextBrowser* browser_ = nullptr;
};

} // namespace qv::gui
