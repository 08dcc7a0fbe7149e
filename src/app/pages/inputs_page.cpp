#include "app/pages/inputs_page.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "app/pages/page_builders.h"
#include "app/pages/form_binding.h"

namespace vaskiro::app {

InputsPage::InputsPage(app::FormControls& controls, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("InputsTabSheet"));
    auto* page = new QVBoxLayout(this);
    page->addWidget(makeCheckBoxGroup(
        {QStringLiteral("AdvGroupBox2"), tr("Invert Inputs"), QStringLiteral("InvertInputsCheckAllButton"),
         tr("Invert All"), QStringLiteral("InvertInputsCheckNoneButton"), tr("Invert None"), tr("Invert all inputs"),
         tr("Invert no inputs")},
        "input-invert", controls, m_invertAll, m_invertNone));
    page->addWidget(makeNameGroup(QStringLiteral("GroupBox1"), "input-name", controls, 2, true));
    page->addStretch();
}

}  // namespace vaskiro::app
