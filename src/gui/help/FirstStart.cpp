#include "gui/help/FirstStart.h"

#include "gui/app/CQuovantaView.h"
#include "gui/common/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#ifndef QUOVANTA_SAMPLE_SOURCE_DIR
#define QUOVANTA_SAMPLE_SOURCE_DIR ""
#endif

namespace qv::gui {
namespace {

QString toQ(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string fromQ(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Copies every file under `from` into the new directory `to`; the caller removes `to` on failure.
bool copyTree(const QString& from, const QString& to, QString& failure)
{
    if (!QDir().mkpath(to)) {
        failure = to;
        return false;
    }
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QLatin1Char('/') + source.relativeFilePath(path);
        const bool ok = it.fileInfo().isDir() ? QDir().mkpath(target) : QFile::copy(path, target);
        if (!ok) {
            failure = target;
            return false;
        }
        // A copy of a read-only file would stay read-only; the workspace is the user's to change.
        if (!it.fileInfo().isDir())
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    }
    return true;
}

} // namespace

std::vector<std::string> sampleSourceCandidates()
{
    std::vector<std::string> candidates;
    if (QCoreApplication::instance())
        candidates.push_back(fromQ(QCoreApplication::applicationDirPath() + "/../share/quovanta/sample/SAMPLE"));
    if (*QUOVANTA_SAMPLE_SOURCE_DIR)
        candidates.emplace_back(QUOVANTA_SAMPLE_SOURCE_DIR);
    return candidates;
}

std::string defaultDataDir()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    const QString base = xdg.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : xdg;
    return fromQ(base + QStringLiteral("/quovanta"));
}

QString sampleWorkspaceQuestion(const QString& target)
{
    return QStringLiteral("Welcome to Quovanta.\n\nNo portfolio was found. Set up the sample workspace in\n%1\n"
                          "(a copy of a sample portfolio and its update files) to try the program?")
        .arg(target);
}

bool OfferSampleWorkspace(CQuovantaView& view)
{
    QString source;
    for (const std::string& candidate : view.sampleSources()) {
        if (QFileInfo::exists(toQ(candidate) + QStringLiteral("/MASTER"))) {
            source = QDir::cleanPath(toQ(candidate));
            break;
        }
    }
    if (source.isEmpty())
        return false;
    const QString target = toQ(view.dataDir()) + QStringLiteral("/SAMPLE");
    if (!MessageBox::question(view.window(), sampleWorkspaceQuestion(target)))
        return false;

    if (!QFileInfo::exists(target + QStringLiteral("/MASTER"))) {
        // Copied beside its place and renamed into it, so a copy cut short is never taken for the
        // sample by the next start.
        const QString partial = target + QStringLiteral(".partial");
        QDir(partial).removeRecursively();
        QString failure;
        const bool copied = copyTree(source, partial, failure) && QDir().rename(partial, target);
        if (!copied) {
            QDir(partial).removeRecursively();
            MessageBox::warning(view.window(),
                                QStringLiteral("The sample workspace could not be set up:\n%1 could not be written.")
                                    .arg(failure.isEmpty() ? target : failure));
            return false;
        }
    }
    view.AddPortfolio(fromQ(target));
    return true;
}

} // namespace qv::gui
