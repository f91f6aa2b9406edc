#pragma once
// "About Selected Quote Series": the facts of one security read from its MASTER entry, its
// quote file header and its field-description file.

#include "core/store/quotes.h"

#include <QDialog>

namespace qv::gui {

class CSymbolAboutDlg final : public QDialog {
    Q_OBJECT
public:
    CSymbolAboutDlg(const qv::SecurityFacts& facts, QWidget* parent);

    // The text shown for a label of the "Data from Master and DAT files" group ("Path:",
    // "File number", ...), and a cell of the DOP table (row "Date".."OI", column 1 or 2 for
    // input and display).
    QString value(const QString& label) const;
    QString fieldCell(int row, int column) const;
};

} // namespace qv::gui
