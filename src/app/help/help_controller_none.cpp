// Help where no viewer was built (no HTML Help and no chmlib): the Help
// button stays hidden.
#include "app/help/help_controller.h"

#include <utility>

namespace vaskiro::app {

struct HelpController::Backend {};

HelpController::HelpController(QString helpDirectory)
    : m_helpDirectory(std::move(helpDirectory)), m_backend(std::make_unique<Backend>())
{
}

HelpController::~HelpController() = default;

bool HelpController::SetUpHelp()
{
    m_helpFilePath = helpFilePathIn(m_helpDirectory);
    m_ready = false;
    return false;
}

void HelpController::HelpButtonClick(const QWidget*) {}

void HelpController::FormClose() { m_ready = false; }

QWidget* HelpController::viewerWindow() const { return nullptr; }

}  // namespace vaskiro::app
