#include "app/commissioning/print_sheet_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace vaskiro::app {

namespace {

void print(const std::string& html, QPrinter& printer) {
    // Narrow margins keep a device's every setting on one page.
    printer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    QTextDocument document;
    document.setHtml(QString::fromStdString(html));
    // Without a page size the document would add margins of its own to the
    // printer's. The document lays out in the screen's pixels, the page is in points.
    const qreal pixelsPerPoint = QGuiApplication::primaryScreen()->logicalDotsPerInch() / 72.0;
    document.setPageSize(printer.pageLayout().paintRectPoints().size() * pixelsPerPoint);
    document.print(&printer);
}

}  // namespace

PrintSheetDialog::PrintSheetDialog(QWidget* parent, Devices devices) : QDialog(parent), m_devices(std::move(devices)) {
    setObjectName(QStringLiteral("PrintSheetDialog"));
    setWindowTitle(tr("Print Sheet"));
    auto* text =
        new QLabel(tr("A handover sheet, one page per device: serial number, version, date, every setting "
                      "and what was checked."));
    text->setWordWrap(true);
    m_withPassword = new QCheckBox(tr("Print the device pass&word too"));
    m_withPassword->setObjectName(QStringLiteral("WithPasswordBox"));
    m_withPassword->setAccessibleName(tr("Print the device password too"));
    auto* printButton = new QPushButton(tr("&Print..."));
    printButton->setObjectName(QStringLiteral("PrintButton"));
    printButton->setAccessibleName(tr("Print the sheet"));
    auto* pdfButton = new QPushButton(tr("Save as P&DF..."));
    pdfButton->setObjectName(QStringLiteral("SavePdfButton"));
    pdfButton->setAccessibleName(tr("Save the sheet as PDF"));
    auto* closeButton = new QPushButton(tr("Close"));
    closeButton->setObjectName(QStringLiteral("CloseSheetButton"));
    closeButton->setAccessibleName(tr("Close the print sheet dialog"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {printButton, pdfButton, closeButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_withPassword);
    layout->addLayout(buttons);
    connect(printButton, &QPushButton::clicked, this, &PrintSheetDialog::PrintButtonClick);
    connect(pdfButton, &QPushButton::clicked, this, &PrintSheetDialog::SavePdfButtonClick);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

std::string PrintSheetDialog::html() const {
    return commission::handoverSheet(m_devices(), m_withPassword->isChecked());
}

bool PrintSheetDialog::saveAsPdf(const QString& path) const {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    print(html(), printer);
    return QFileInfo(path).size() > 0;
}

void PrintSheetDialog::PrintButtonClick() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) print(html(), printer);
}

void PrintSheetDialog::SavePdfButtonClick() {
    QString path = QFileDialog::getSaveFileName(this, tr("Save Sheet as PDF"), {}, tr("PDF files (*.pdf)"));
    if (path.isEmpty()) return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) path += QLatin1String(".pdf");
    if (!saveAsPdf(path)) QMessageBox::critical(this, tr("Error"), tr("Cannot save %1.").arg(path));
}

}  // namespace vaskiro::app
