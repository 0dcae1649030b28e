// Base of the drawing resources (colours and bitmaps) that the window owns and deletes as a list.
#pragma once

namespace qv {

class CGdiResource {
public:
    CGdiResource() = default;
    CGdiResource(const CGdiResource&) = delete;
    CGdiResource& operator=(const CGdiResource&) = delete;
    virtual ~CGdiResource() = default;
};

}  // namespace qv
