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

config::LimitedLineEdit* limitedEdit(const QString& name, const QString& spoken, int limit) {
    auto* edit = new config::LimitedLineEdit(limit);
    edit->setObjectName(name);
    nameControl(edit, spoken, upToCharacters(limit));
    return edit;
}

// A label and the four octet edits of one address, first octet leftmost;
// octet N is spoken as "<spoken>, octet N".
void addAddressRow(QGridLayout* grid, int row, const QString& caption, const QString& prefix, const QString& spoken,
                   std::array<QLineEdit*, 4>& edits) {
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const QString number = QString::number(i + 1);
        edits[i] = new QLineEdit;
        edits[i]->setObjectName(prefix + number + QStringLiteral("Edit"));
        nameControl(edits[i], QObject::tr("%1, octet %2").arg(spoken, number), QStringLiteral("0-255"));
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

    addAddressRow(grid, 1, tr("IP Address"), QStringLiteral("IPAddr"), tr("IP address"), controls.ipAddress);
    addAddressRow(grid, 2, tr("Gateway Address"), QStringLiteral("GateWayAddr"), tr("Gateway address"),
                  controls.gatewayAddress);
    addAddressRow(grid, 3, tr("Submask"), QStringLiteral("SubMaskAddr"), tr("Subnet mask"), controls.subnetMask);

    controls.bacnetPort = new config::PortSpinEdit;
    controls.bacnetPort->setObjectName(QStringLiteral("BacnetPortCSpinEdit"));
    nameControl(controls.bacnetPort, tr("BACnet port"), tr("0-65535, default 47808"));
    grid->addWidget(labelFor(tr("Port"), controls.bacnetPort), 4, 0);
    grid->addWidget(controls.bacnetPort, 4, 1, 1, 4);
    grid->addWidget(new QLabel(tr("***Default BACnet port is %1***").arg(core::kDefaultBacnetPort)), 5, 1, 1, 5);

    controls.deviceName = limitedEdit(QStringLiteral("DeviceNameEdit"), tr("Object name"), core::kObjectTextLimit);
    grid->addWidget(labelFor(tr("Object Name"), controls.deviceName), 6, 0);
    grid->addWidget(controls.deviceName, 6, 1, 1, 4);

    controls.objectIdentifier = new QLineEdit;
    controls.objectIdentifier->setObjectName(QStringLiteral("ObjectIdentifierEdit"));
    nameControl(controls.objectIdentifier, tr("Object identifier number"),
                tr("digits only; a BACnet device instance, 0-4194302"));
    controls.objectIdentifier->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), controls.objectIdentifier));
    grid->addWidget(labelFor(tr("Object Identifier Number"), controls.objectIdentifier), 7, 0);
    grid->addWidget(controls.objectIdentifier, 7, 1, 1, 4);
    grid->setColumnStretch(5, 1);  // keeps the octet edits together

    auto* objectTexts = new QGridLayout;
    controls.location = limitedEdit(QStringLiteral("LocationEdit"), tr("Location"), core::kObjectTextLimit);
    controls.description = limitedEdit(QStringLiteral("DescriptionEdit"), tr("Description"), core::kObjectTextLimit);
    controls.password = limitedEdit(QStringLiteral("PasswordEdit"), tr("Password"), core::kPasswordLimit);
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
    nameControl(m_logMemo, tr("Log"), tr("what the window did, newest line last"));
    m_logMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_logMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on, as from every other control: the log takes no tabs.
    m_logMemo->setTabChangesFocus(true);

    auto* page = new QHBoxLayout(this);
    page->addLayout(settings);
    page->addWidget(m_logMemo, 1);
}

}  // namespace vaskiro::app
