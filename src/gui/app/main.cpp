// The desktop program. Its start-up directory is the current directory; its settings file is
// $QUOVANTA_INI or the user's configuration directory's QUOVANTA.INI.
#include "gui/app/CMainFrame.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quovanta"));
    qv::gui::CMainFrame frame(qv::gui::StartupContext::fromEnvironment());
    frame.show();
    return QApplication::exec();
}
