// A page of the editor: the containers (panels) the window draws and offers the mouse while the
// page is current. The page owns its containers.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace qv {

class CGuiWindow;
class CWindowContainer;

class CPage {
public:
    CPage() = default;
    virtual ~CPage();
    CPage(const CPage&) = delete;
    CPage& operator=(const CPage&) = delete;

    // Takes ownership; tells the container its page, then appends it.
    virtual void addContainer(CWindowContainer* container);
    virtual void setWindow(CGuiWindow* window);
    virtual CGuiWindow* getWindow() const;
    // Every container's cancelEditing, in the order added.
    virtual void closeContainers();

    std::size_t getContainerCount() const { return containers.size(); }
    // The container at index (in the order added), or null past the end.
    CWindowContainer* getContainer(std::size_t index) const;

private:
    std::vector<std::unique_ptr<CWindowContainer>> containers;
    CGuiWindow* window = nullptr;
};

}  // namespace qv
