// A seeded stress of every door at once: four threads play hosts that create, feed, post to,
// edit, reset and close instances of one process in an order drawn from the seed. A host makes
// one audio call and one GUI call at a time per instance and never closes an instance that it
// is calling; everything else overlaps. The sanitizers (ASan, TSan presets) find the faults:
// data races, calls into freed instances, leaks; the test checks the audio passes unchanged and
// that the registry is empty at the end.
#include <array>
#include <random>
#include <shared_mutex>

#include "core/data_request.h"
#include "registry_support.h"
#include "support/watchdog.h"

namespace qvtest {
namespace {

using Stress = RegistryTest;

struct HostedInstance {
    std::shared_mutex life;  // create and close alone; every other call beside others
    std::mutex audio, gui;   // one audio call and one GUI call at a time
    std::unique_ptr<qv::CPlugin> plugin;
};

constexpr std::uint32_t kSettings[] = {id::kAnalysisView, id::kFftSize,  id::kAverageOn,  id::kAttack,
                                       id::kWindowType,   id::kPostNames, id::kSyncOthers, id::kAverageTime};

void step(std::array<HostedInstance, 5>& all, std::minstd_rand& random) {
    HostedInstance& h = all[random() % all.size()];
    const std::uint32_t action = random() % 8;
    if (action < 2) {  // create or close
        std::unique_lock<std::shared_mutex> alone(h.life);
        if (h.plugin) {
            h.plugin.reset();
        } else {
            h.plugin = makeInstance();
        }
        return;
    }
    std::shared_lock<std::shared_mutex> beside(h.life);
    if (!h.plugin) return;
    qv::CPlugin& p = *h.plugin;
    if (action == 2) {
        std::lock_guard<std::mutex> audio(h.audio);
        Feeder feed(p, 2, 64 << (random() % 7));
        feed.paced = false;
        feed.sine(100.0 + random() % 5000, 44100.0, static_cast<int>(feed.in[0].size()) * 3);
        EXPECT_EQ(feed.out, feed.in);
        return;
    }
    std::lock_guard<std::mutex> gui(h.gui);
    switch (action) {
        case 3: p.setParameter(kSettings[random() % std::size(kSettings)], static_cast<float>(random() % 6) / 5.0f, 0, false, true); break;
        case 4: {
            void* chunk = nullptr;
            const std::int32_t size = p.getChunk(&chunk, false);
            if (size > 0) {
                const std::vector<std::uint8_t> copy(static_cast<std::uint8_t*>(chunk), static_cast<std::uint8_t*>(chunk) + size);
                p.setChunk(copy.data(), size, false);
            }
            break;
        }
        case 5: {
            std::vector<std::uint8_t> request(qv::kCurvesRequestBytes);
            const qv::DataRequest header{qv::kCurvesRequestBytes, random() % 2 ? 1u : 0u, 1, 0};
            std::memcpy(request.data(), &header, sizeof(header));
            p.getData(request.data());
            break;
        }
        case 6: p.reset(random() % 2 == 0); break;
        default: {
            qv::NamesRequest names{};
            names.header = qv::DataRequest{qv::NamesRequest::kSize, qv::kDataNames, static_cast<std::uint32_t>(random() % 16), 0};
            std::snprintf(names.names[names.header.a], 32, "Track %u", static_cast<unsigned>(random() % 100));
            p.putData(&names);
            p.renumberInstances(1, static_cast<std::int32_t>(random() % 4), static_cast<std::int32_t>(random() % 4));
        }
    }
}

TEST_F(Stress, HostsCallingEveryDoorAtOnceInAnOrderDrawnFromTheSeed) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::array<HostedInstance, 5> all;
        auto run = std::async(std::launch::async, [&] {
            std::vector<std::thread> hosts;
            for (std::uint32_t t = 0; t < 4; ++t) {
                hosts.emplace_back([&, t] {
                    std::minstd_rand random(seed * 7919u + t);
                    for (int n = 0; n < 40; ++n) step(all, random);
                });
            }
            for (auto& host : hosts) host.join();
            for (auto& h : all) h.plugin.reset();
        });
        expectFinishes(run, std::chrono::seconds(600), "the hosts' calls");
        EXPECT_EQ(qv::CPlugin::parkedCount(), 0u);
    }
}

}  // namespace
}  // namespace qvtest
