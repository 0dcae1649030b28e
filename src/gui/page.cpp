#include "gui/page.h"

#include "gui/window_view.h"

namespace qv {

CPage::~CPage() = default;

void CPage::addContainer(CWindowContainer* container) {
    if (!container) return;
    container->setPage(this);
    containers.emplace_back(container);
}

void CPage::setWindow(CGuiWindow* w) { window = w; }

CGuiWindow* CPage::getWindow() const { return window; }

void CPage::closeContainers() {
    // By index: cancelEditing may add to the page.
    for (std::size_t i = 0; i < containers.size(); ++i) containers[i]->cancelEditing();
}

CWindowContainer* CPage::getContainer(std::size_t index) const {
    return index < containers.size() ? containers[index].get() : nullptr;
}

}  // namespace qv
