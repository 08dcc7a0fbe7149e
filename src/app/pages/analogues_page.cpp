#include "app/pages/analogues_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

#include "app/pages/page_builders.h"
#include "app/pages/form_binding.h"
#include "core/settings_table.h"

namespace vaskiro::app {

namespace {

QGroupBox* makeValueGroup(const QString& group, const QString& title, std::string_view family,
                          app::FormControls& controls) {
    auto* box = new QGroupBox(title);
    box->setObjectName(group);
    auto* grid = new QGridLayout(box);
    int row = 0;
    for (const core::Setting* value : core::familyOf(family))
        grid->addWidget(makeControls(*value, controls)[0], row++, 0);
    return box;
}

}  // namespace

AnaloguesPage::AnaloguesPage(app::FormControls& controls, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("AnaloguesTabSheet"));

    QGroupBox* names = makeNameGroup(QStringLiteral("GroupBox3"), "analogue-name", controls, 1, true);

    auto* units = new QGroupBox(tr("Units"));
    units->setObjectName(QStringLiteral("GroupBox4"));
    auto* unitGrid = new QGridLayout(units);
    QWidget* firstUnit = nullptr;
    for (std::size_t i = 0; i < m_selectUnits.size(); ++i) {
        const QString number = QString::number(i + 1);
        auto* edit = static_cast<QLineEdit*>(makeControls(*core::familyOf("analogue-unit")[i], controls)[0]);
        edit->setMinimumWidth(textWidth(edit, 30));
        firstUnit = firstUnit ? firstUnit : edit;
        QPushButton* button = m_selectUnits[i] = new QPushButton(tr("Select..."));
        button->setObjectName(QStringLiteral("SelectAnalogueUnitsButton") + number);
        // The button says the unit it would change, as the edit beside it shows.
        auto speak = [button, number](const QString& unit) {
            const QString now = unit.isEmpty() ? tr("a unit this version does not know") : unit;
            button->setAccessibleName(tr("Select units for analogue %1, currently %2").arg(number, now));
        };
        speak(edit->text());
        connect(edit, &QLineEdit::textChanged, button, speak);
        unitGrid->addWidget(edit, static_cast<int>(i), 0);
        unitGrid->addWidget(m_selectUnits[i], static_cast<int>(i), 1);
    }

    QGroupBox* scaling = makeValueGroup(QStringLiteral("GroupBox5"), tr("Scaling"), "analogue-scaling", controls);
    QGroupBox* cov = makeValueGroup(QStringLiteral("GroupBox6"), tr("COV Increment"), "analogue-cov", controls);

    // Channel N sits in row N of every group, so the rows must be equally tall
    // even though only the unit rows hold a button.
    const int rowHeight = std::max(m_selectUnits[0]->sizeHint().height(), firstUnit->sizeHint().height());
    const std::array<std::pair<QGroupBox*, int>, 4> groups = {{{names, 4}, {units, 4}, {scaling, 2}, {cov, 2}}};
    auto* columns = new QHBoxLayout;
    for (const auto& [group, stretch] : groups) {
        auto* grid = static_cast<QGridLayout*>(group->layout());
        for (int r = 0; r < core::kAnalogueCount; ++r) grid->setRowMinimumHeight(r, rowHeight);
        columns->addWidget(group, stretch);
    }

    auto* page = new QVBoxLayout(this);
    page->addLayout(columns);
    page->addStretch();
}

QPushButton* AnaloguesPage::selectUnitsButton(int channel) const {
    return m_selectUnits.at(static_cast<std::size_t>(channel - 1));
}

}  // namespace vaskiro::app
