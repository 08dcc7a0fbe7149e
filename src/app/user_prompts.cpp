#include "app/user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace vaskiro::app {

namespace {

const QString kDataFileFilter = QStringLiteral("Data Files (*.dat);;All Files (*)");

QString askFileName(QWidget* parent, QFileDialog::AcceptMode mode, const QString& filter = kDataFileFilter,
                    const QString& suffix = QStringLiteral("dat")) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setNameFilter(filter);
    if (mode == QFileDialog::AcceptSave) {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(suffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

void DialogPrompts::showError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QObject::tr("Error"), text);
}

void DialogPrompts::showInformation(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QObject::tr("Information"), text);
}

QString DialogPrompts::askSaveFileName(QWidget* parent) { return askFileName(parent, QFileDialog::AcceptSave); }

QString DialogPrompts::askOpenFileName(QWidget* parent) { return askFileName(parent, QFileDialog::AcceptOpen); }

QString DialogPrompts::askSaveCsvFileName(QWidget* parent) {
    return askFileName(parent, QFileDialog::AcceptSave, QStringLiteral("CSV Files (*.csv);;All Files (*)"),
                       QStringLiteral("csv"));
}

bool DialogPrompts::askYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QObject::tr("Confirm"), text) == QMessageBox::Yes;
}

}  // namespace vaskiro::app
