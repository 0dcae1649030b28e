// What the spectrum display asks of the editor besides the view owner's operations: the time one
// refresh frame stands for, and the road to the plug-in core's data service.
#pragma once

namespace qv {

class IDisplayDataSource {
public:
    virtual ~IDisplayDataSource() = default;
    // Milliseconds one draw pass stands for.
    virtual float getTimerPeriod() const = 0;
    // A typed request (DataRequest header first) answered by the core; false when refused.
    virtual bool getData(void* request) = 0;
    virtual bool putData(void* request) = 0;
};

}  // namespace qv
