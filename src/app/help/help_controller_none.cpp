// Help where no viewer was built (no HTML Help and no chmlib): the Help
// button stays hidden.
#include "app/help/help_controller.h"

#include <utility>

namespace vaskiro::app {

struct HelpController::Backend {};

HelpController::HelpController(QString helpDirectory)
    : m_helpDirectory(std::move(helpDirectory)), m_backend(std::make_unique<Backend>()) {}

HelpController::~HelpController() = default;

bool HelpController::openViewer() { return false; }

void HelpController::closeViewer() {}

void HelpController::HelpButtonClick(const QWidget*) {}

QWidget* HelpController::viewerWindow() const { return nullptr; }

}  // namespace vaskiro::app
