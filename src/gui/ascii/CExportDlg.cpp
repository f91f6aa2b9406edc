#include "gui/ascii/CExportDlg.h"

#include "gui/common/FileDialog.h"
#include "gui/common/MessageBox.h"
#include "gui/common/Widgets.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv::gui {
namespace {

QCheckBox* checkBox(QWidget* parent, const QString& text, const char* name, bool on)
{
    auto* box = named(new QCheckBox(text, parent), name);
    box->setChecked(on);
    return box;
}

} // namespace

CExportDlg::CExportDlg(const qv::ExportOptions& o, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Export Historical Quotes to ASCII File"));

    path_ = named(new QLineEdit(this), "path");
    // No length limit: a cut path would name another file, perhaps one that exists.
    path_->setText(QFile::decodeName(QByteArray::fromStdString(o.path)));
    auto* browse = named(new QPushButton(QStringLiteral("Browse..."), this), "browse");
    browse->setAutoDefault(false);
    auto* pathLayout = new QHBoxLayout;
    pathLayout->addWidget(path_);
    pathLayout->addWidget(browse);

    auto* columns = new QGroupBox(QStringLiteral("Include these columns"), this);
    open_ = checkBox(columns, QStringLiteral("Open"), "useOpen", o.open);
    high_ = checkBox(columns, QStringLiteral("High"), "useHigh", o.high);
    low_ = checkBox(columns, QStringLiteral("Low"), "useLow", o.low);
    close_ = checkBox(columns, QStringLiteral("Close"), "useClose", o.close);
    volume_ = checkBox(columns, QStringLiteral("Volume"), "useVolume", o.volume);
    openInterest_ = checkBox(columns, QStringLiteral("Open Interest"), "useOpenInterest", o.openInterest);
    auto* columnsLayout = new QGridLayout(columns);
    int at = 0;
    for (QCheckBox* box : {open_, high_, low_, close_, volume_, openInterest_}) {
        columnsLayout->addWidget(box, at % 3, at / 3);
        ++at;
    }

    auto* delimiters = new QGroupBox(QStringLiteral("Column Delimiters"), this);
    space_ = named(new QRadioButton(QStringLiteral("Space"), delimiters), "space");
    comma_ = named(new QRadioButton(QStringLiteral("Comma"), delimiters), "comma");
    tab_ = named(new QRadioButton(QStringLiteral("Tab"), delimiters), "tab");
    exclusiveChoice(new QVBoxLayout(delimiters), {space_, comma_, tab_});
    (o.delimiter == qv::kExportComma ? comma_ : o.delimiter == qv::kExportTab ? tab_ : space_)->setChecked(true);

    auto* order = new QGroupBox(QStringLiteral("Order"), this);
    oldestFirst_ = named(new QRadioButton(QStringLiteral("Oldest quote first"), order), "oldestFirst");
    newestFirst_ = named(new QRadioButton(QStringLiteral("Newest quote first"), order), "newestFirst");
    exclusiveChoice(new QVBoxLayout(order), {oldestFirst_, newestFirst_});
    (o.newestFirst ? newestFirst_ : oldestFirst_)->setChecked(true);

    auto* titleBox = new QGroupBox(QStringLiteral("Title"), this);
    title_ = checkBox(titleBox, QStringLiteral("Add title row"), "title", o.title);
    (new QVBoxLayout(titleBox))->addWidget(title_);

    auto* buttons = okCancelButtons(this);
    connect(browse, &QPushButton::clicked, this, &CExportDlg::browse);

    auto* choices = new QHBoxLayout;
    choices->addWidget(columns);
    choices->addWidget(delimiters);
    auto* lower = new QHBoxLayout;
    lower->addWidget(order);
    lower->addWidget(titleBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pathLayout);
    layout->addLayout(choices);
    layout->addLayout(lower);
    layout->addWidget(buttons);
}

void CExportDlg::browse()
{
    QString chosen = FileDialog::saveFileName(this, QStringLiteral("Save As"), path_->text(),
                                              QStringLiteral("Text Files (*.txt);;All Files (*.*)"));
    if (chosen.isEmpty())
        return;
    // The default extension goes on a name typed without one. Replacing is asked about on OK.
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QStringLiteral(".txt");
    path_->setText(QFileInfo(chosen).absoluteFilePath());
}

qv::ExportOptions CExportDlg::values() const
{
    qv::ExportOptions o;
    o.path = QFile::encodeName(path_->text()).toStdString();
    o.open = open_->isChecked();
    o.high = high_->isChecked();
    o.low = low_->isChecked();
    o.close = close_->isChecked();
    o.volume = volume_->isChecked();
    o.openInterest = openInterest_->isChecked();
    o.newestFirst = newestFirst_->isChecked();
    o.delimiter = comma_->isChecked() ? qv::kExportComma : tab_->isChecked() ? qv::kExportTab : qv::kExportSpace;
    o.title = title_->isChecked();
    return o;
}

void CExportDlg::accept()
{
    const std::string message = qv::checkExportDialog(values());
    if (!message.empty()) {
        MessageBox::warning(this, QString::fromStdString(message));
        return;
    }
    QDialog::accept();
}

} // namespace qv::gui
