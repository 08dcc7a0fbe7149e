#include "app/outputs_page.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "app/page_builders.h"
#include "app/form_binding.h"

namespace vaskiro::app {

OutputsPage::OutputsPage(config::FormControls& controls, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OutputsTabSheet"));
    auto* page = new QVBoxLayout(this);
    page->addWidget(makeCheckBoxGroup({QStringLiteral("OutputStartStatusAdvGroupBox"), tr("Output Start Status"),
                                       QStringLiteral("OutputStartStatusJvCheckBox"), tr("Output %1 on at start-up"),
                                       QStringLiteral("OutputStartStatusCheckAllButton"), tr("All Active"),
                                       QStringLiteral("OutputStartStatusCheckNoneButton"), tr("None Active")},
                                      controls.outputStartStatus, m_allActive, m_noneActive));
    page->addWidget(makeCheckBoxGroup(
        {QStringLiteral("AdvGroupBox3"), tr("Invert Outputs"), QStringLiteral("InvertOutputsJvCheckBox"),
         tr("Output %1 inverted"), QStringLiteral("InvertOutputsCheckAllButton"), tr("Invert All"),
         QStringLiteral("InvertOutputsCheckNoneButton"), tr("Invert None"), tr("Invert all outputs"),
         tr("Invert no outputs")},
        controls.invertOutputs, m_invertAll, m_invertNone));
    page->addWidget(makeNameGroup(QStringLiteral("GroupBox2"), tr("Output"), QStringLiteral("OutputNameEdit"),
                                  controls.outputNames, 4, false));
    page->addStretch();
}

}  // namespace vaskiro::app
