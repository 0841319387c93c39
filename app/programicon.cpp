#include "app/programicon.h"

#include <QCoreApplication>
#include <QIcon>

QIcon ProgramIcon::icon()
{
    return QIcon::fromTheme(QStringLiteral("lumen"),
        QIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/Veze.ico")));
}
