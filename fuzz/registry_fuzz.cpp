// Instances against the answers of an older or foreign registry library: the QuorvaneSys beside
// this program is a fake (fake_registry.cpp) whose answers the input bends. Whatever it says,
// an instance is either refused at creation (the library is not the one it needs) or created
// and passing audio through; joining, posting, renaming and leaving never crash, hang, or reach
// an instance that is gone.
//
// Input: the fake's script, one byte per registry call (from 0x80 up a bent answer, some taking
// four more bytes). Three instances are created, fed, renamed and deleted in turn.
#include <dlfcn.h>

#include <cstdint>
#include <string>

#include "core/data_request.h"
#include "core/setting_ids.h"
#include "fuzz_support.h"
#include "platform/module.h"

namespace {

using ScriptProc = void (*)(const std::uint8_t*, std::size_t);

ScriptProc setScript() {
    static const ScriptProc proc = [] {
        qvfuzz::silenceReports();
        // The same module the instances load (one path, one module).
        void* library = dlopen((qv::platform::moduleFolder() + "QuorvaneSys.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        return library ? reinterpret_cast<ScriptProc>(dlsym(library, "QvFakeRegistryScript")) : nullptr;
    }();
    if (!proc) qvfuzz::fail("the fake registry library is not beside the program");
    return proc;
}

std::unique_ptr<qv::CPlugin> tryInstance() {
    try {
        return qvfuzz::makeInstance();
    } catch (...) {
        return nullptr;  // refused: the library is not one the instance can work with
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    setScript()(data, size);
    std::unique_ptr<qv::CPlugin> instances[3];
    for (auto& p : instances) {
        p = tryInstance();
        if (!p) continue;
        p->setParameter(qv::settingid::kAnalysisView, 1.0f, 0, false, true);
        qvfuzz::requirePassThrough(*p, 4096);
        qv::NamesRequest names{};
        names.header = qv::DataRequest{qv::NamesRequest::kSize, qv::kDataNames, 1, 0};
        std::memcpy(names.names[1], "Renamed", 8);
        p->putData(&names);
        qvfuzz::readDisplayData(*p);
    }
    instances[1].reset();  // a leaver in the middle
    for (auto& p : instances) {
        if (p) qvfuzz::requirePassThrough(*p, 2048);
    }
    for (auto& p : instances) p.reset();
    setScript()(nullptr, 0);  // honest from here: parked instances are freed by later deletes
    return 0;
}
