#include "gui/ascii/CImportDlg.h"

#include "core/store/encodings.h"
#include "core/store/windows1252.h"
#include "gui/app/CChooseDir.h"
#include "gui/common/FileDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/common/NumberBox.h"
#include "gui/common/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv::gui {
namespace {

NumberBox* numberField(QWidget* parent, const char* name, int low, int high, int value)
{
    return named(new NumberBox(parent, low, high, value), name);
}

// No length limit: the check refuses a text that is too long as a whole, where a limit would cut
// a pasted path, symbol or name into another one.
QLineEdit* textField(QWidget* parent, const char* name, const std::string& text)
{
    auto* edit = named(new QLineEdit(parent), name);
    edit->setText(QFile::decodeName(QByteArray::fromStdString(text)));
    return edit;
}

std::string bytesOf(const QLineEdit* edit) { return QFile::encodeName(edit->text()).toStdString(); }

// Symbols and names are stored as Windows-1252; paths as the file system names them.
std::string stored(const QLineEdit* edit) { return qv::utf8ToWindows1252(edit->text().toStdString()); }
QString shown(const std::string& bytes) { return QString::fromStdString(qv::windows1252ToUtf8(bytes)); }

} // namespace

CImportDlg::CImportDlg(const qv::ImportDialogValues& v, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Import Historical ASCII Quotes"));

    // Input file.
    auto* inputBox = new QGroupBox(QStringLiteral("Input File: Path to Input File"), this);
    inputPath_ = textField(inputBox, "inputPath", v.inputPath);
    auto* browseIn = named(new QPushButton(QStringLiteral("Browse..."), inputBox), "browseInput");
    browseIn->setAutoDefault(false);
    auto* inputLayout = new QHBoxLayout(inputBox);
    inputLayout->addWidget(new QLabel(QStringLiteral("File Path"), inputBox));
    inputLayout->addWidget(inputPath_);
    inputLayout->addWidget(browseIn);

    auto* columnsBox = new QGroupBox(QStringLiteral("Input File: Supported Fields and Column Assignments"), this);
    auto* columns = new QGridLayout(columnsBox);
    const auto fixedColumn = [&](const QString& label, const char* name, int value, int at) {
        columns->addWidget(new QLabel(label, columnsBox), 0, at, Qt::AlignHCenter);
        NumberBox* spin = numberField(columnsBox, name, 1, qv::kImportMaxColumn, value);
        columns->addWidget(spin, 1, at);
        return spin;
    };
    const auto optionalColumn = [&](const QString& label, const char* boxName, const char* name,
                                    const qv::OptionalColumn& field, int at) {
        Optional o;
        o.on = named(new QCheckBox(label, columnsBox), boxName);
        o.on->setChecked(field.present);
        o.column = numberField(columnsBox, name, 1, qv::kImportMaxColumn, field.column);
        columns->addWidget(o.on, 0, at, Qt::AlignHCenter);
        columns->addWidget(o.column, 1, at);
        return o;
    };
    dateColumn_ = fixedColumn(QStringLiteral("Date"), "dateColumn", v.dateColumn, 0);
    open_ = optionalColumn(QStringLiteral("Open"), "openOn", "openColumn", v.open, 1);
    high_ = optionalColumn(QStringLiteral("High"), "highOn", "highColumn", v.high, 2);
    low_ = optionalColumn(QStringLiteral("Low"), "lowOn", "lowColumn", v.low, 3);
    closeColumn_ = fixedColumn(QStringLiteral("Close"), "closeColumn", v.closeColumn, 4);
    volume_ = optionalColumn(QStringLiteral("Volume"), "volumeOn", "volumeColumn", v.volume, 5);
    openInterest_ = optionalColumn(QStringLiteral("Open Int"), "oiOn", "oiColumn", v.openInterest, 6);

    auto* detailBox = new QGroupBox(QStringLiteral("Input File: Detail Settings"), this);
    auto* delimiterBox = new QGroupBox(QStringLiteral("Which Column Delimiter Character?"), detailBox);
    comma_ = named(new QRadioButton(QStringLiteral("Comma"), delimiterBox), "comma");
    tab_ = named(new QRadioButton(QStringLiteral("Tab"), delimiterBox), "tab");
    space_ = named(new QRadioButton(QStringLiteral("Space"), delimiterBox), "space");
    exclusiveChoice(new QHBoxLayout(delimiterBox), {comma_, tab_, space_});
    (v.delimiter == qv::kImportTab ? tab_ : v.delimiter == qv::kImportSpace ? space_ : comma_)->setChecked(true);
    dateFormat_ = named(new QComboBox(detailBox), "dateFormat");
    for (int code = 1; code <= qv::kDateFormatCount; ++code)
        dateFormat_->addItem(
            QString::fromLatin1(qv::dateFormatName(code).data(), static_cast<int>(qv::dateFormatName(code).size())));
    dateFormat_->setCurrentIndex(std::clamp(v.dateFormat, 1, qv::kDateFormatCount) - 1);
    skipOn_ = named(new QCheckBox(QStringLiteral("Skip Rows"), detailBox), "skipOn");
    skipOn_->setChecked(v.skipOn);
    skipRows_ = numberField(detailBox, "skipRows", 0, qv::kImportMaxSkipRows, v.skipRows);
    auto* detailLayout = new QGridLayout(detailBox);
    detailLayout->addWidget(delimiterBox, 0, 0, 1, 2);
    detailLayout->addWidget(new QLabel(QStringLiteral("Date Format"), detailBox), 1, 0);
    detailLayout->addWidget(dateFormat_, 1, 1);
    detailLayout->addWidget(skipOn_, 2, 0);
    detailLayout->addWidget(skipRows_, 2, 1);

    // Output file set.
    auto* outputBox = new QGroupBox(QStringLiteral("Output File: Path to Output File Set"), this);
    outputDir_ = textField(outputBox, "outputDir", v.outputDir);
    auto* browseOut = named(new QPushButton(QStringLiteral("Browse..."), outputBox), "browseOutput");
    browseOut->setAutoDefault(false);
    auto* outputLayout = new QHBoxLayout(outputBox);
    outputLayout->addWidget(new QLabel(QStringLiteral("Directory Path"), outputBox));
    outputLayout->addWidget(outputDir_);
    outputLayout->addWidget(browseOut);

    auto* targetBox = new QGroupBox(QStringLiteral("Output File: Detail Settings"), this);
    auto* masterBox = new QGroupBox(QStringLiteral("How to use a Master File in this Directory?"), targetBox);
    useExisting_ = named(new QRadioButton(QStringLiteral("Use Existing Master"), masterBox), "useExisting");
    makeNew_ = named(new QRadioButton(QStringLiteral("Make New Master"), masterBox), "makeNew");
    exclusiveChoice(new QVBoxLayout(masterBox), {useExisting_, makeNew_});
    (v.useExistingMaster ? useExisting_ : makeNew_)->setChecked(true);
    symbol_ = textField(targetBox, "symbol", {});
    symbol_->setText(shown(v.symbol));
    name_ = textField(targetBox, "name", {});
    name_->setText(shown(v.name));
    auto* targetLayout = new QGridLayout(targetBox);
    targetLayout->addWidget(masterBox, 0, 0, 1, 2);
    targetLayout->addWidget(new QLabel(QStringLiteral("Symbol"), targetBox), 1, 0);
    targetLayout->addWidget(symbol_, 1, 1);
    targetLayout->addWidget(new QLabel(QStringLiteral("Name"), targetBox), 2, 0);
    targetLayout->addWidget(name_, 2, 1);

    auto* buttons = okCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(inputBox);
    layout->addWidget(columnsBox);
    layout->addWidget(detailBox);
    layout->addWidget(outputBox);
    layout->addWidget(targetBox);
    layout->addWidget(buttons);

    for (QCheckBox* box : {open_.on, high_.on, low_.on, volume_.on, openInterest_.on, skipOn_})
        connect(box, &QCheckBox::toggled, this, &CImportDlg::applyEnablingRules);
    connect(skipOn_, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            skipRows_->setValue(0);
    });
    connect(browseIn, &QPushButton::clicked, this, &CImportDlg::browseInput);
    connect(browseOut, &QPushButton::clicked, this, &CImportDlg::browseOutput);
    applyEnablingRules();
}

void CImportDlg::applyEnablingRules()
{
    for (const Optional& o : {open_, high_, low_, volume_, openInterest_})
        o.column->setEnabled(o.on->isChecked());
    skipRows_->setEnabled(skipOn_->isChecked());
}

void CImportDlg::browseInput()
{
    QString chosen = FileDialog::openFileName(this, QStringLiteral("Open"), inputPath_->text(),
                                              QStringLiteral("Text Files (*.txt);;All Files (*.*)"));
    if (chosen.isEmpty())
        return;
    if (QFileInfo(chosen).suffix().isEmpty() && !QFileInfo::exists(chosen))
        chosen += QStringLiteral(".txt");
    inputPath_->setText(QFileInfo(chosen).absoluteFilePath());
}

void CImportDlg::browseOutput()
{
    if (const std::optional<QString> dir = CChooseDir::choose(this, outputDir_->text()))
        outputDir_->setText(*dir);
}

qv::ImportDialogValues CImportDlg::values() const
{
    qv::ImportDialogValues v;
    v.inputPath = bytesOf(inputPath_);
    v.dateColumn = dateColumn_->typedValue();
    v.open = {open_.on->isChecked(), open_.column->typedValue()};
    v.high = {high_.on->isChecked(), high_.column->typedValue()};
    v.low = {low_.on->isChecked(), low_.column->typedValue()};
    v.closeColumn = closeColumn_->typedValue();
    v.volume = {volume_.on->isChecked(), volume_.column->typedValue()};
    v.openInterest = {openInterest_.on->isChecked(), openInterest_.column->typedValue()};
    v.delimiter = tab_->isChecked() ? qv::kImportTab : space_->isChecked() ? qv::kImportSpace : qv::kImportComma;
    v.dateFormat = dateFormat_->currentIndex() + 1;
    v.skipOn = skipOn_->isChecked();
    v.skipRows = skipRows_->typedValue();
    v.outputDir = bytesOf(outputDir_);
    v.useExistingMaster = useExisting_->isChecked();
    v.symbol = stored(symbol_);
    v.name = stored(name_);
    return v;
}

void CImportDlg::accept()
{
    const qv::ImportDialogCheck check = qv::checkImportDialog(values());
    // The symbol shows what the checks made of it, also when a later check fails.
    symbol_->setText(shown(check.symbol));
    if (!check.accepted()) {
        MessageBox::warning(this, QString::fromStdString(check.message));
        return;
    }
    QDialog::accept();
}

} // namespace qv::gui
