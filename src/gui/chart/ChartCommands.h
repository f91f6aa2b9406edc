#pragma once
// Printing the current security's quotes: "&Print Quotes..." (the print dialog first), the
// toolbar's Print (at once, no dialog), "Print Pre&view" and "P&rint Setup...". The quotes are
// read one at a time while the pages are drawn, oldest first, one per line.

#include <QString>

#include <string>

class QPainter;
class QPrinter;

namespace qv::gui {

class CQuovantaView;

// The printer and page settings of this session, shared by every printing command, so that
// a choice made in the print or page setup dialog holds for the next print.
QPrinter& sessionPrinter();

struct PrintJob {
    std::string dir;
    std::string symbol;
    int quotesInFile = 0;
    // Only while printing with the dialog: a page that runs out of quotes ends the document.
    bool stopWhenOut = true;
    // Print only the printer's page range (the print dialog's choice); otherwise every page.
    bool honourPageRange = false;
};

// Draws the job's pages onto `printer`. A security without quotes gives one empty page. False when the printer cannot
// be opened.
bool printQuotes(QPrinter& printer, const PrintJob& job);

void OnPrint(CQuovantaView& view, bool withDialog);
void OnPrintPreview(CQuovantaView& view);
void OnPrintSetup(CQuovantaView& view);

// Shown when the printer cannot be opened, so that a print that never happened does not pass
// for one that did.
inline const QString kPrinterUnavailableMessage = QStringLiteral("The printer could not be started.");

} // namespace qv::gui
