// Helpers of the registry tests through the host: a folder holding two differently named copies
// of the plug-in beside one registry library, and a look at that registry's instance count.
#pragma once

#include <memory>
#include <string>

#include "test_support.h"

namespace qv::vsthost::test {

// A fresh folder with the plug-in as "Quorvane_2in_2out" and "Quorvane_1in_1out" and, unless
// withRegistry is false, the registry library beside them.
struct TwoCopies {
    std::string folder;
    std::string stereo;  // path of the 2-in, 2-out copy
    std::string mono;    // path of the 1-in, 1-out copy
};
TwoCopies makeTwoCopies(const std::string& name, bool withRegistry = true);

// The registry library of a folder, loaded by the test itself (the same module the copies in
// that folder share).
class RegistryProbe {
public:
    explicit RegistryProbe(const std::string& folder);
    ~RegistryProbe();
    RegistryProbe(const RegistryProbe&) = delete;
    RegistryProbe& operator=(const RegistryProbe&) = delete;

    bool loaded() const { return proc_ != nullptr; }
    unsigned count() const;

private:
    void* library_ = nullptr;
    void* proc_ = nullptr;
};

}  // namespace qv::vsthost::test
