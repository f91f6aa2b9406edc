#include "gui/common/MessageBox.h"

#include <QApplication>
#include <QMutex>
#include <QQueue>

namespace qv::gui {
namespace {

QMutex g_mutex;
bool g_testMode = false;
QQueue<QMessageBox::StandardButton> g_answers;
QStringList g_shown;
int g_beeps = 0;

} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget* parent, const QString& text, Icon icon,
                                             QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton)
{
    {
        QMutexLocker lock(&g_mutex);
        if (g_testMode) {
            g_shown << text;
            if (!g_answers.isEmpty())
                return g_answers.dequeue();
            return defaultButton != QMessageBox::NoButton ? defaultButton : QMessageBox::Ok;
        }
    }
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Quovanta"));
    box.setText(text);
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    box.setStandardButtons(buttons);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool MessageBox::question(QWidget* parent, const QString& text)
{
    return show(parent, text, Icon::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void MessageBox::setTestMode(bool on)
{
    QMutexLocker lock(&g_mutex);
    g_testMode = on;
    g_answers.clear();
    g_shown.clear();
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer)
{
    QMutexLocker lock(&g_mutex);
    g_answers.enqueue(answer);
}

QStringList MessageBox::shownTexts()
{
    QMutexLocker lock(&g_mutex);
    return g_shown;
}

void MessageBox::clearShown()
{
    QMutexLocker lock(&g_mutex);
    g_shown.clear();
}

void beep()
{
    QMutexLocker lock(&g_mutex);
    ++g_beeps;
    if (!g_testMode)
        QApplication::beep();
}

int beepCount()
{
    QMutexLocker lock(&g_mutex);
    return g_beeps;
}

} // namespace qv::gui
