#include "gui/common/FileDialog.h"

#include <QFileDialog>
#include <QQueue>

namespace qv::gui {
namespace {
QQueue<QString> g_answers;

bool takeAnswer(QString& answer)
{
    if (g_answers.isEmpty())
        return false;
    answer = g_answers.dequeue();
    return true;
}
} // namespace

QString FileDialog::saveFileName(QWidget* parent, const QString& caption, const QString& start, const QString& filter)
{
    QString answer;
    if (takeAnswer(answer))
        return answer;
    return QFileDialog::getSaveFileName(parent, caption, start, filter);
}

QString FileDialog::openFileName(QWidget* parent, const QString& caption, const QString& start, const QString& filter)
{
    QString answer;
    if (takeAnswer(answer))
        return answer;
    return QFileDialog::getOpenFileName(parent, caption, start, filter);
}

void FileDialog::setNextAnswer(const QString& answer) { g_answers.enqueue(answer); }

void FileDialog::clearAnswers() { g_answers.clear(); }

} // namespace qv::gui
