#pragma once
#include <QCoreApplication>
#include <QFile>
#include <QString>

// The help file the build compiled, put beside the test program so that the
// program's own folder rule finds it. Returns its path there.
inline QString PlaceHelpFileBesideTheProgram()
{
    const QString target = QCoreApplication::applicationDirPath() + QStringLiteral("/Speckwash.chm");
    QFile::remove(target);
    QFile::copy(QStringLiteral(SW_BUILT_HELP_FILE), target);
    return target;
}
