#pragma once
// The modeless window "Updating Quotes": no close box, no buttons, no way to cancel.

#include "core/update/update_run.h"

#include <QDialog>

class QLabel;

namespace qv::gui {

class CUpdateProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CUpdateProgressDlg(QWidget* parent);
    void setTexts(const qv::ProgressTexts& texts);
    // The texts as shown, for tests: portfolio, symbol, quote file, count, extraction label, file.
    QStringList shownTexts() const;

    // The window filled with made-up texts (for screenshots).
    static CUpdateProgressDlg* createSample(QWidget* parent);

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* portfolio_ = nullptr;
    QLabel* symbol_ = nullptr;
    QLabel* quoteFile_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* extractionLabel_ = nullptr;
    QLabel* extractionFile_ = nullptr;
};

} // namespace qv::gui
