#include "app/pages/outputs_page.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "app/pages/page_builders.h"
#include "app/pages/form_binding.h"

namespace vaskiro::app {

OutputsPage::OutputsPage(app::FormControls& controls, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OutputsTabSheet"));
    auto* page = new QVBoxLayout(this);
    page->addWidget(makeCheckBoxGroup({QStringLiteral("OutputStartStatusAdvGroupBox"), tr("Output Start Status"),
                                       QStringLiteral("OutputStartStatusCheckAllButton"), tr("All Active"),
                                       QStringLiteral("OutputStartStatusCheckNoneButton"), tr("None Active")},
                                      "output-start", controls, m_allActive, m_noneActive));
    page->addWidget(makeCheckBoxGroup(
        {QStringLiteral("AdvGroupBox3"), tr("Invert Outputs"), QStringLiteral("InvertOutputsCheckAllButton"),
         tr("Invert All"), QStringLiteral("InvertOutputsCheckNoneButton"), tr("Invert None"), tr("Invert all outputs"),
         tr("Invert no outputs")},
        "output-invert", controls, m_invertAll, m_invertNone));
    page->addWidget(makeNameGroup(QStringLiteral("GroupBox2"), "output-name", controls, 4, false));
    page->addStretch();
}

}  // namespace vaskiro::app
