// The desktop program. Its start-up directory is the current directory; its settings file is
// $QUOVANTA_INI or the user's configuration directory's QUOVANTA.INI.
#include "gui/app/CMainFrame.h"

#include <QApplication>
#include <QIcon>
#include <QSize>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quovanta"));
    // The same picture as the desktop launcher's icon, as bitmaps: Qt needs no SVG support.
    QIcon icon;
    for (const int size : {32, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quovanta-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    qv::gui::CMainFrame frame(qv::gui::StartupContext::fromEnvironment());
    frame.show();
    return QApplication::exec();
}
