#include "gui/maintain/CSymbolAboutDlg.h"

#include "core/store/windows1252.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qv::gui {
namespace {

// Row labels in field-kind order.
const char* const kFieldRows[qv::kFieldKindCount] = {"Date", "Time", "Open", "High", "Low", "Close", "Vol", "OI"};

QString latin(const std::string& bytes) { return QString::fromStdString(qv::windows1252ToUtf8(bytes)); }

QLabel* valueLabel(const QString& label, const QString& text, QWidget* parent)
{
    auto* value = new QLabel(text, parent);
    value->setObjectName(label);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return value;
}

} // namespace

CSymbolAboutDlg::CSymbolAboutDlg(const qv::SecurityFacts& facts, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Selected Quote Series"));

    auto* pathRow = new QFormLayout;
    pathRow->addRow(
        QStringLiteral("Path:"),
        valueLabel(QStringLiteral("Path:"), QFile::decodeName(QByteArray::fromStdString(facts.path)), this));

    auto* master = new QGroupBox(QStringLiteral("Data from Master and DAT files"), this);
    auto* masterForm = new QFormLayout(master);
    const auto add = [&](const char* label, const QString& text) {
        const QString l = QString::fromLatin1(label);
        masterForm->addRow(l, valueLabel(l, text, master));
    };
    add("File number", QString::asprintf("%d", facts.fileNumber));
    add("DAT file record length", QString::asprintf("%d", facts.recordLength));
    add("DAT file number of fields", QString::asprintf("%d", facts.fieldCount));
    add("Number of quotes", QString::asprintf("%d", facts.quoteCount));
    add("Name of issue", latin(facts.name));
    if (!facts.longName.empty())
        add("Long name", latin(facts.longName));
    add("First date in file", QString::asprintf("%6.0f", static_cast<double>(facts.firstDate)));
    add("Last date in file", QString::asprintf("%6.0f", static_cast<double>(facts.lastDate)));
    add("Data format", QString::fromStdString(qv::periodText(facts.period)));
    add("Symbol", latin(facts.symbol));

    auto* dop = new QGroupBox(QStringLiteral("Data from DOP file (may be synthetic)"), this);
    auto* table = new QTableWidget(qv::kFieldKindCount, 3, dop);
    table->setObjectName(QStringLiteral("fields"));
    table->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Input"), QStringLiteral("Display")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int k = 0; k < qv::kFieldKindCount; ++k) {
        table->setItem(k, 0, new QTableWidgetItem(QString::fromLatin1(kFieldRows[k])));
        const bool present = facts.layout.has(static_cast<qv::FieldKind>(k));
        const auto at = static_cast<std::size_t>(k);
        const QString input =
            present ? QString::fromStdString(std::string(qv::fieldCodeText(facts.layout.inputCode[at]))) : QString();
        const QString display =
            present ? QString::fromStdString(std::string(qv::fieldCodeText(facts.layout.displayCode[at]))) : QString();
        table->setItem(k, 1, new QTableWidgetItem(input));
        table->setItem(k, 2, new QTableWidgetItem(display));
    }
    table->resizeColumnsToContents();
    table->setMinimumHeight(table->verticalHeader()->length() + table->horizontalHeader()->height() + 4);
    auto* dopLayout = new QVBoxLayout(dop);
    dopLayout->addWidget(table);

    auto* groups = new QHBoxLayout;
    groups->addWidget(master);
    groups->addWidget(dop);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pathRow);
    layout->addLayout(groups);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

QString CSymbolAboutDlg::value(const QString& label) const
{
    const auto* l = findChild<QLabel*>(label);
    return l ? l->text() : QString();
}

QString CSymbolAboutDlg::fieldCell(int row, int column) const
{
    const auto* table = findChild<QTableWidget*>(QStringLiteral("fields"));
    const QTableWidgetItem* item = table ? table->item(row, column) : nullptr;
    return item ? item->text() : QString();
}

} // namespace qv::gui
