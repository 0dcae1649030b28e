// The host-independent editor: owns the editor window between open and close, keeps the
// editor's size, resizes the host's frames when that size changes, and is the road between the
// controls and the plug-in core.
//
// Threads. open, close, resize, idle and every hook run on the host's GUI thread (the thread
// that opened the editor); the window's timer passes run there too. The core reports applied
// values and records from whatever thread made them: they enter through getCoreSink(), which
// hands them on at once on the GUI thread and otherwise keeps the latest of each until the
// next timer pass applies them. Controls are never touched from another thread or after close.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "controls/view_owner.h"
#include "gui/geometry.h"
#include "gui/window_owner.h"

namespace qv {

class CDrawContext;
class CEditorInbox;
class CGuiWindow;
class CPluginBase;
class IEditorHost;
class IParameterSink;

class CEditor : public CWindowOwner, public CViewOwner {
public:
    // Snapshot records of refreshParameters / refreshValues hold this many 32-bit words.
    static constexpr std::uint32_t kSnapshotWords = 8192;
    // Records of the core for the editor: type 4, 16 bytes, a = parameter index, b = f32 value.
    static constexpr std::uint32_t kParameterRecordType = 4;
    static constexpr std::uint32_t kParameterRecordSize = 16;

    // width/height are replaced by the core's default size when it gives one.
    CEditor(std::uint64_t windowId, std::int32_t width, std::int32_t height, IEditorHost* host, CPluginBase* core,
            void* moduleHandle);
    ~CEditor() override;
    CEditor(const CEditor&) = delete;
    CEditor& operator=(const CEditor&) = delete;

    // 0, 0, width, height: from the window while open, else the editor's own size.
    void getRect(CRect& rect) const override;
    // The open window's drawing context, or null.
    virtual CDrawContext* getDrawContext() const;
    CDrawContext* getDrawContext(const CDrawState* state) override;
    CGuiWindow* getFrame() const { return window; }
    // The window's timer period, or 100 ms while there is no window.
    virtual float getTimerPeriod() const;
    // Creates the window as a child of parentWindow (buildControls runs meanwhile) and starts its
    // timer; sizes of at least 1 replace the current size. A second open replaces the window.
    // False when no window could be made for the parent: the editor stays closed.
    virtual bool open(void* parentWindow, std::int32_t width, std::int32_t height);
    virtual void close();
    virtual void onOpened() {}
    // Called by close while the window and its controls still exist.
    virtual void onClosing() {}
    bool isOpen() const { return opened; }
    // The host's idle call: pumps the window's events and runs a due pass where the window system
    // needs it (X11); nothing elsewhere or while closed.
    void idle();
    // New client size. The host is asked first (sizeWindow); when it refuses, the editor's own
    // window and the host's frames around it are resized. Then a full redraw (redrawAll) and
    // repaintCount more, one every delayMs. The same size does nothing. False when nothing was
    // resized (same size, or no native window: the old size stays).
    virtual bool resize(std::int32_t width, std::int32_t height, bool redrawAll, std::uint32_t delayMs,
                        std::uint32_t repaintCount);
    virtual void getDefaultSize(std::int32_t& width, std::int32_t& height) const;
    virtual void setParameterFlags(std::uint32_t index, std::uint8_t flags);
    // Bit value 1 host-settable, 2 automatable; 0 out of range.
    virtual std::uint8_t getParameterFlags(std::uint32_t index) const;

    // A control reports a user change (hook).
    void valueChanged(std::uint32_t tag, float value) override;
    // A value to show in the controls (hook; GUI thread only, see getCoreSink).
    virtual void setParameter(std::int32_t index, float value);
    // Automation when the core allows it for index, then the core applies the value (and echoes it).
    virtual void setParameterAutomated(std::int32_t index, float value);
    virtual float getParameter(std::int32_t index) const;
    // Type-2 snapshot of the host parameters into setParameter; type 3 for the second count.
    virtual void refreshParameters();
    virtual void refreshValues();
    virtual void copyUserBlockOut(void* buffer) const;
    virtual void copyUserBlockIn(const void* buffer);
    // Forwarded to the core; null is ignored.
    virtual bool putData(void* request);
    virtual bool getData(void* request);
    // A record of the core (GUI thread only, see getCoreSink): a type-4 record of 16 bytes
    // becomes setParameter(a, b); everything else is ignored.
    virtual void receiveData(const void* record);
    void buildControls() override {}
    // Gestures reach the host only for host parameters that are automatable.
    void beginEdit(std::int32_t index) override;
    void endEdit(std::int32_t index) override;
    // Applies what other threads reported since the last pass.
    void beforeRefresh() override;

    // Where the core and the host adapter report values and records, from any thread.
    IParameterSink& getCoreSink();
    std::uint32_t getParameterCount() const { return parameterCount; }
    std::uint32_t getValueCount() const { return valueCount; }

protected:
    IEditorHost* getHost() const { return host; }
    CPluginBase* getCore() const { return core; }
    void* getModuleHandle() const { return moduleHandle; }
    void setTimerPeriod(float ms) { timerPeriod = ms; }
    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }

private:
    void snapshot(std::uint32_t type, std::uint32_t count);
    bool editAllowed(std::int32_t index) const;
    void destroyWindow();

    std::uint32_t parameterCount = 0;
    std::uint32_t valueCount = 0;
    IEditorHost* host;
    std::uint64_t windowId;
    void* moduleHandle;
    CGuiWindow* window = nullptr;  // owned; ended through CGuiWindow::dispose
    CPluginBase* core;
    bool opened = false;
    std::int32_t width;
    std::int32_t height;
    float timerPeriod = 300.0f;
    // Held by open, close, resize and idle (whose passes run inside it), so a host that closes
    // from another thread waits for a pass that is running.
    std::recursive_mutex windowLock;
    std::unique_ptr<CEditorInbox> inbox;
};

}  // namespace qv
