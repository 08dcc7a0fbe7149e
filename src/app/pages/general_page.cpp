#include "app/pages/general_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/pages/form_binding.h"
#include "app/pages/page_builders.h"
#include "core/settings_table.h"

namespace vaskiro::app {

GeneralPage::GeneralPage(app::FormControls& controls, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("GeneralAdvTabSheet"));

    // The settings of this page in the table's order: those of the titled
    // group one row each, a label and its control(s); the rest below it.
    QGroupBox* group = nullptr;
    QGridLayout* grid = nullptr;
    auto* below = new QGridLayout;
    int row = 0, belowRow = 0;
    for (const core::Setting& setting : core::allSettings()) {
        if (setting.page != core::SettingPage::General) continue;
        const core::WindowControl& window = setting.window;
        const std::vector<QWidget*> made = makeControls(setting, controls);
        const QString caption = QString::fromStdString(window.caption);
        if (window.group.empty()) {
            below->addWidget(labelFor(caption, made[0]), belowRow, 0);
            below->addWidget(made[0], belowRow++, 1);
            continue;
        }
        if (!group) {
            group = new QGroupBox(QString::fromStdString(window.group));
            group->setObjectName(QStringLiteral("AdvGroupBox1"));
            grid = new QGridLayout(group);
        }
        // A box says its own caption; an address's octets take a column each.
        if (window.kind != core::ControlKind::CheckBox) grid->addWidget(labelFor(caption, made[0]), row, 0);
        for (std::size_t i = 0; i < made.size(); ++i)
            grid->addWidget(made[i], row, 1 + static_cast<int>(i), 1, made.size() == 1 ? 4 : 1);
        if (!window.note.empty()) grid->addWidget(new QLabel(QString::fromStdString(window.note)), ++row, 1, 1, 5);
        ++row;
    }
    grid->setColumnStretch(5, 1);  // keeps the octet edits together
    below->setColumnStretch(1, 1);

    auto* settings = new QVBoxLayout;
    settings->addWidget(group);
    settings->addLayout(below);
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
