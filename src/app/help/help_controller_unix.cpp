// Help on platforms without HTML Help: the program's own viewer.
#include "app/help/help_controller.h"

#include <utility>

#include "app/help/help_viewer.h"

namespace vaskiro::app {

struct HelpController::Backend {
    std::unique_ptr<HelpViewer> viewer;  // a top-level window; exists while help is ready
};

HelpController::HelpController(QString helpDirectory)
    : m_helpDirectory(std::move(helpDirectory)), m_backend(std::make_unique<Backend>()) {}

HelpController::~HelpController() = default;

bool HelpController::openViewer() {
    m_backend->viewer.reset();
    auto viewer = std::make_unique<HelpViewer>();
    if (!viewer->openFile(m_helpFilePath)) return false;
    m_backend->viewer = std::move(viewer);
    return true;
}

void HelpController::HelpButtonClick(const QWidget* owner) {
    if (!m_ready) return;
    HelpViewer* viewer = m_backend->viewer.get();
    viewer->showDefaultTopic();
    if (owner && !viewer->isVisible()) viewer->placeOnScreenOf(*owner);
    if (viewer->isMinimized())
        viewer->showNormal();
    else
        viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

void HelpController::closeViewer() {
    if (m_backend->viewer) m_backend->viewer->close();
    m_backend->viewer.reset();
}

QWidget* HelpController::viewerWindow() const { return m_backend->viewer.get(); }

}  // namespace vaskiro::app
