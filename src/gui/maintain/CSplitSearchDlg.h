#pragma once
// The modeless window "Split Search": runs the core's search over the portfolio selected in the
// main window when Search is pressed (the window stays open while the user moves on), lists the
// candidates as they are found and saves the list as a text file.

#include "core/maintain/split_search.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace qv::gui {

class CSplitSearchDlg final : public QDialog {
    Q_OBJECT
public:
    // portfolio answers, at each press of Search, which portfolio to search (empty: none is
    // selected). quietSounds answers, at the end of each search, whether only important sounds
    // are to be made (the setting may change while the window is open).
    CSplitSearchDlg(std::function<std::string()> portfolio, std::function<bool()> quietSounds, QWidget* parent);

    // The portfolio a press of Search would search now.
    std::string portfolioDir() const { return portfolio_ ? portfolio_() : std::string(); }
    QStringList lines() const; // the list, for tests
    QString statusText() const;
    bool searching() const { return searching_; }

public slots:
    void OnSearch();
    void OnSaveAs();

    // Close, Escape and the close box; while a search runs, the window closes when it ends.
    void reject() override;

private:
    void AddCandidate(const qv::SplitCandidate& candidate);
    void SetStatus(const QString& text);

    std::function<std::string()> portfolio_;
    std::function<bool()> quietSounds_;
    std::vector<std::string> lines_; // as listed, for Save As
    bool searching_ = false;
    bool closeRequested_ = false;

    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace qv::gui
