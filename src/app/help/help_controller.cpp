#include "app/help/help_controller.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vaskiro::app {

namespace {

QString fileIn(const QString& directory) {
    // cleanPath folds doubled separators and "." / ".." segments.
    return QDir::cleanPath(QDir(directory).absoluteFilePath(QString::fromLatin1(HelpController::kHelpFileName)));
}

}  // namespace

QString HelpController::HelpFileFor(const QString& executableDirectory) {
    const QString beside = fileIn(executableDirectory);
    if (QFileInfo(beside).isFile()) return beside;
    const QString installed = fileIn(QDir(executableDirectory).filePath(QString::fromLatin1(kDataDirectory)));
    if (QFileInfo(installed).isFile()) return installed;
    return beside;
}

bool HelpController::SetUpHelp() {
    m_helpFilePath = helpFilePathIn(m_helpDirectory);
    m_ready = QFileInfo(m_helpFilePath).isFile() && openViewer();
    return m_ready;
}

void HelpController::FormClose() {
    closeViewer();
    m_ready = false;
}

QString HelpController::helpFilePathIn(const QString& directory) {
    if (directory.isEmpty()) return HelpFileFor(QCoreApplication::applicationDirPath());
    return fileIn(directory);
}

}  // namespace vaskiro::app
