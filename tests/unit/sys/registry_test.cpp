#include "support/test_common.h"

#include "platform/dynamic_library.h"
#include "sys/xel_block.h"

namespace {

std::string sysLibraryPath() {
    return std::string(QV_PLUGIN_DIR) + "/QuorvaneSys" + qv::platform::DynamicLibrary::extension();
}

qv::XelBlock call(qv::DoXelDataProc proc, std::uint32_t op, std::uint32_t write, std::uint32_t index = 0,
                  void* object = nullptr, std::uint32_t count = 0, std::uint8_t inUse = 0) {
    qv::XelBlock block{};
    std::tie(block.index, block.object, block.count, block.inUse) = std::tie(index, object, count, inUse);
    return proc(op, write, block);
}

TEST(Registry, AnswersItsOperationsAndIsSharedByEveryLoad) {
    qv::platform::DynamicLibrary first, second;
    ASSERT_TRUE(first.open(sysLibraryPath())) << sysLibraryPath();
    ASSERT_TRUE(second.open(sysLibraryPath()));
    auto a = reinterpret_cast<qv::DoXelDataProc>(first.symbol("DoXelData"));
    auto b = reinterpret_cast<qv::DoXelDataProc>(second.symbol("DoXelData"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(std::pair(call(a, qv::kXelVersion, 0).version, call(a, qv::kXelCapacity, 0).capacity), std::pair(0x20300u, 16u));

    int object = 0;
    call(a, qv::kXelCount, 1, 0, nullptr, 3);
    call(a, qv::kXelInUse, 1, 5, nullptr, 0, 1);
    call(a, qv::kXelObject, 1, 5, &object);
    EXPECT_EQ(std::tuple(call(b, qv::kXelCount, 0).count, call(b, qv::kXelInUse, 0, 5).inUse,
                         call(b, qv::kXelObject, 0, 5).object),
              std::tuple(3u, std::uint8_t{1}, static_cast<void*>(&object)));

    // Runs `blocked` on another thread and checks it ends only after `release` has run here:
    // the order of the two is compared, no clock (a call that did not wait ends first).
    auto waitsFor = [](const std::function<void()>& blocked, const std::function<void()>& release) {
        std::atomic<int> step{0}, blockedEnded{0};
        std::thread other([&] { step = 1, blocked(), blockedEnded = ++step; });
        while (step.load() == 0) std::this_thread::yield();
        for (int i = 0; i < 10000 && blockedEnded.load() == 0; ++i) std::this_thread::yield();  // let it reach the call
        const int released = ++step;
        release();
        other.join();
        EXPECT_GT(blockedEnded.load(), released);
    };
    // A counted call keeps the slot busy: draining waits until it has left.
    EXPECT_EQ(call(a, qv::kXelEnter, 0, 5).object, &object);
    waitsFor([&] { call(b, qv::kXelObject, 1, 5, nullptr), call(b, qv::kXelDrain, 0, 5); },
             [&] { call(a, qv::kXelLeave, 0, 5); });
    EXPECT_EQ(call(a, qv::kXelEnter, 0, 5).object, nullptr);  // cleared slots are not entered
    call(b, qv::kXelDrain, 0, 5);                              // and leave no count behind
    // The lock blocks a second taker until the first releases it.
    call(a, qv::kXelLock, 1);
    waitsFor([&] { call(b, qv::kXelLock, 1), call(b, qv::kXelLock, 0); }, [&] { call(a, qv::kXelLock, 0); });
    call(a, qv::kXelCount, 1, 0, nullptr, 0);
    call(a, qv::kXelInUse, 1, 5, nullptr, 0, 0);

    // Index 16 is past the last slot: writes go nowhere, reads and calls find nothing.
    call(a, qv::kXelInUse, 1, 16, nullptr, 0, 1);
    call(a, qv::kXelObject, 1, 16, &object);
    EXPECT_EQ(std::tuple(call(b, qv::kXelInUse, 0, 16).inUse, call(b, qv::kXelObject, 0, 16).object,
                         call(b, qv::kXelEnter, 0, 16).object),
              std::tuple(std::uint8_t{0}, nullptr, nullptr));
    call(a, qv::kXelObject, 1, 16, nullptr);
}

}  // namespace
