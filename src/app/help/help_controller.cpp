#include "app/help/help_controller.h"

#include <QCoreApplication>
#include <QDir>

namespace vaskiro::app {

QString HelpController::helpFilePathIn(const QString& directory)
{
    const QString base = directory.isEmpty() ? QCoreApplication::applicationDirPath() : directory;
    // cleanPath folds doubled separators and "." / ".." segments.
    return QDir::cleanPath(QDir(base).absoluteFilePath(QString::fromLatin1(kHelpFileName)));
}

}  // namespace vaskiro::app
