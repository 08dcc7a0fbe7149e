#include "app/analogues_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>
#include <span>

#include "app/page_builders.h"
#include "app/form_binding.h"
#include "app/form_edits.h"

namespace vaskiro::app {

namespace {

// Edit N is spoken as "Analogue N <spoken>".
QGroupBox* makeValueGroup(const QString& group, const QString& title, const QString& editPrefix, const QString& spoken,
                          std::span<config::NumericEdit*> edits) {
    auto* box = new QGroupBox(title);
    box->setObjectName(group);
    auto* grid = new QGridLayout(box);
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const QString number = QString::number(i + 1);
        edits[i] = new config::NumericEdit;
        edits[i]->setObjectName(editPrefix + number);
        nameControl(edits[i], QObject::tr("Analogue %1 %2").arg(number, spoken),
                    QObject::tr("a number; Alt+Down opens a calculator"));
        grid->addWidget(edits[i], static_cast<int>(i), 0);
    }
    return box;
}

}  // namespace

AnaloguesPage::AnaloguesPage(config::FormControls& controls, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("AnaloguesTabSheet"));

    QGroupBox* names = makeNameGroup(QStringLiteral("GroupBox3"), tr("Analogue"), QStringLiteral("AnalogueNameEdit"),
                                     controls.analogueNames, 1, true);

    auto* units = new QGroupBox(tr("Units"));
    units->setObjectName(QStringLiteral("GroupBox4"));
    auto* unitGrid = new QGridLayout(units);
    for (std::size_t i = 0; i < m_selectUnits.size(); ++i) {
        const QString number = QString::number(i + 1);
        auto* edit = new QLineEdit;
        edit->setObjectName(QStringLiteral("SelectAnalogueUnitsEdit") + number);
        edit->setReadOnly(true);
        // Only the button changes the unit, so Tab goes straight to it; a
        // click still lets the name be selected and copied.
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->setMinimumWidth(textWidth(edit, 30));
        nameControl(edit, tr("Analogue %1 units").arg(number));
        controls.unitNames[i] = edit;
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

    QGroupBox* scaling =
        makeValueGroup(QStringLiteral("GroupBox5"), tr("Scaling"), QStringLiteral("AnalogueScalingJvCalcEdit"),
                       tr("scaling"), controls.analogueScaling);
    QGroupBox* cov =
        makeValueGroup(QStringLiteral("GroupBox6"), tr("COV Increment"), QStringLiteral("COVIncrementJvCalcEdit"),
                       tr("COV increment"), controls.covIncrement);

    // Channel N sits in row N of every group, so the rows must be equally tall
    // even though only the unit rows hold a button.
    const int rowHeight = std::max(m_selectUnits[0]->sizeHint().height(), controls.unitNames[0]->sizeHint().height());
    const std::array<std::pair<QGroupBox*, int>, 4> groups = {{{names, 4}, {units, 4}, {scaling, 2}, {cov, 2}}};
    auto* columns = new QHBoxLayout;
    for (const auto& [group, stretch] : groups) {
        auto* grid = static_cast<QGridLayout*>(group->layout());
        for (int r = 0; r < config::kAnalogueCount; ++r) grid->setRowMinimumHeight(r, rowHeight);
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
