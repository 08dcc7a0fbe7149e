#include "app/general_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <array>

#include "app/page_builders.h"
#include "app/form_binding.h"
#include "app/form_edits.h"
#include "core/bacnet_numbers.h"
#include "core/text_limits.h"

namespace vaskiro::app {

namespace {

QLabel* labelFor(const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption);
    label->setBuddy(buddy);
    return label;
}

config::LimitedLineEdit* limitedEdit(const QString& name, int limit) {
    auto* edit = new config::LimitedLineEdit(limit);
    edit->setObjectName(name);
    return edit;
}

// A label and the four octet edits of one address, first octet leftmost.
void addAddressRow(QGridLayout* grid, int row, const QString& caption, const QString& prefix,
                   std::array<QLineEdit*, 4>& edits) {
    for (std::size_t i = 0; i < edits.size(); ++i) {
        edits[i] = new QLineEdit;
        edits[i]->setObjectName(prefix + QString::number(i + 1) + QStringLiteral("Edit"));
        edits[i]->setFixedWidth(textWidth(edits[i], 7));
        grid->addWidget(edits[i], row, 1 + static_cast<int>(i));
    }
    grid->addWidget(labelFor(caption, edits[0]), row, 0);
}

}  // namespace

GeneralPage::GeneralPage(config::FormControls& controls, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("GeneralAdvTabSheet"));

    auto* ipGroup = new QGroupBox(tr("IP Information"));
    ipGroup->setObjectName(QStringLiteral("AdvGroupBox1"));
    auto* grid = new QGridLayout(ipGroup);

    controls.dhcpEnable = new QCheckBox(tr("Get Address Automatically"));
    controls.dhcpEnable->setObjectName(QStringLiteral("DHCPEnableJvCheckBox"));
    grid->addWidget(controls.dhcpEnable, 0, 1, 1, 4);

    addAddressRow(grid, 1, tr("IP Address"), QStringLiteral("IPAddr"), controls.ipAddress);
    addAddressRow(grid, 2, tr("Gateway Address"), QStringLiteral("GateWayAddr"), controls.gatewayAddress);
    addAddressRow(grid, 3, tr("Submask"), QStringLiteral("SubMaskAddr"), controls.subnetMask);

    controls.bacnetPort = new config::PortSpinEdit;
    controls.bacnetPort->setObjectName(QStringLiteral("BacnetPortCSpinEdit"));
    grid->addWidget(labelFor(tr("Port"), controls.bacnetPort), 4, 0);
    grid->addWidget(controls.bacnetPort, 4, 1, 1, 4);
    grid->addWidget(new QLabel(tr("***Default BACnet port is %1***").arg(core::kDefaultBacnetPort)), 5, 1, 1, 5);

    controls.deviceName = limitedEdit(QStringLiteral("DeviceNameEdit"), core::kObjectTextLimit);
    grid->addWidget(labelFor(tr("Object Name"), controls.deviceName), 6, 0);
    grid->addWidget(controls.deviceName, 6, 1, 1, 4);

    controls.objectIdentifier = new QLineEdit;
    controls.objectIdentifier->setObjectName(QStringLiteral("ObjectIdentifierEdit"));
    controls.objectIdentifier->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), controls.objectIdentifier));
    grid->addWidget(labelFor(tr("Object Identifier Number"), controls.objectIdentifier), 7, 0);
    grid->addWidget(controls.objectIdentifier, 7, 1, 1, 4);
    grid->setColumnStretch(5, 1);  // keeps the octet edits together

    auto* objectTexts = new QGridLayout;
    controls.location = limitedEdit(QStringLiteral("LocationEdit"), core::kObjectTextLimit);
    controls.description = limitedEdit(QStringLiteral("DescriptionEdit"), core::kObjectTextLimit);
    controls.password = limitedEdit(QStringLiteral("PasswordEdit"), core::kPasswordLimit);
    const std::array<std::pair<QString, QLineEdit*>, 3> rows = {{{tr("Location"), controls.location},
                                                                 {tr("Description"), controls.description},
                                                                 {tr("Password"), controls.password}}};
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& [caption, edit] = rows[static_cast<std::size_t>(r)];
        objectTexts->addWidget(labelFor(caption, edit), r, 0);
        objectTexts->addWidget(edit, r, 1);
    }
    objectTexts->setColumnStretch(1, 1);

    auto* settings = new QVBoxLayout;
    settings->addWidget(ipGroup);
    settings->addLayout(objectTexts);
    settings->addStretch();

    m_logMemo = new QPlainTextEdit;
    m_logMemo->setObjectName(QStringLiteral("LogMemo"));
    m_logMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_logMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on, as from every other control: the log takes no tabs.
    m_logMemo->setTabChangesFocus(true);

    auto* page = new QHBoxLayout(this);
    page->addLayout(settings);
    page->addWidget(m_logMemo, 1);
}

}  // namespace vaskiro::app
