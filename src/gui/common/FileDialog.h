#pragma once
// Every file and directory dialog goes through here, so a test can answer it in advance.

#include <QString>
#include <QStringList>

class QWidget;

namespace qv::gui {

class FileDialog {
public:
    // An empty string means cancelled.
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& start, const QString& filter);
    static QString openFileName(QWidget* parent, const QString& caption, const QString& start, const QString& filter);

    // For tests: the next dialog returns `answer` at once (empty = cancelled).
    static void setNextAnswer(const QString& answer);
    static void clearAnswers();
};

} // namespace qv::gui
