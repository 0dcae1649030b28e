#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/dynamic_library.h"
#include "sys/xel_block.h"

namespace {

std::string sysLibraryPath() {
    return std::string(QV_PLUGIN_DIR) + "/QuorvaneSys" + qv::platform::DynamicLibrary::extension();
}

qv::XelBlock call(qv::DoXelDataProc proc, std::uint32_t op, std::uint32_t write, std::uint32_t index = 0,
                  void* object = nullptr, std::uint32_t count = 0, std::uint8_t inUse = 0) {
    qv::XelBlock block{};
    block.index = index;
    block.object = object;
    block.count = count;
    block.inUse = inUse;
    return proc(op, write, block);
}

TEST(Registry, AnswersItsOperationsAndIsSharedByEveryLoad) {
    qv::platform::DynamicLibrary first, second;
    ASSERT_TRUE(first.open(sysLibraryPath())) << sysLibraryPath();
    ASSERT_TRUE(second.open(sysLibraryPath()));
    auto a = reinterpret_cast<qv::DoXelDataProc>(first.symbol("DoXelData"));
    auto b = reinterpret_cast<qv::DoXelDataProc>(second.symbol("DoXelData"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(call(a, qv::kXelVersion, 0).version, 0x20300u);
    EXPECT_EQ(call(a, qv::kXelCapacity, 0).capacity, 16u);

    int object = 0;
    call(a, qv::kXelCount, 1, 0, nullptr, 3);
    call(a, qv::kXelInUse, 1, 5, nullptr, 0, 1);
    call(a, qv::kXelObject, 1, 5, &object);
    EXPECT_EQ(call(b, qv::kXelCount, 0).count, 3u);
    EXPECT_EQ(call(b, qv::kXelInUse, 0, 5).inUse, 1);
    EXPECT_EQ(call(b, qv::kXelObject, 0, 5).object, &object);

    // A counted call keeps the slot busy: draining waits until it has left.
    EXPECT_EQ(call(a, qv::kXelEnter, 0, 5).object, &object);
    std::atomic<bool> drained{false};
    std::thread leaving([&] {
        call(b, qv::kXelObject, 1, 5, nullptr);
        call(b, qv::kXelDrain, 0, 5);
        drained = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(drained.load());
    call(a, qv::kXelLeave, 0, 5);
    leaving.join();
    EXPECT_TRUE(drained.load());
    EXPECT_EQ(call(a, qv::kXelEnter, 0, 5).object, nullptr);  // cleared slots are not entered
    call(b, qv::kXelDrain, 0, 5);                              // and leave no count behind

    // The lock blocks a second taker until the first releases it.
    call(a, qv::kXelLock, 1);
    std::atomic<bool> taken{false};
    std::thread other([&] {
        call(b, qv::kXelLock, 1);
        taken = true;
        call(b, qv::kXelLock, 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(taken.load());
    call(a, qv::kXelLock, 0);
    other.join();
    EXPECT_TRUE(taken.load());
    call(a, qv::kXelCount, 1, 0, nullptr, 0);
    call(a, qv::kXelInUse, 1, 5, nullptr, 0, 0);

    // Index 16 is past the last slot: writes go nowhere, reads and calls find nothing.
    call(a, qv::kXelInUse, 1, 16, nullptr, 0, 1);
    call(a, qv::kXelObject, 1, 16, &object);
    EXPECT_EQ(call(b, qv::kXelInUse, 0, 16).inUse, 0);
    EXPECT_EQ(call(b, qv::kXelObject, 0, 16).object, nullptr);
    EXPECT_EQ(call(b, qv::kXelEnter, 0, 16).object, nullptr);
    call(a, qv::kXelObject, 1, 16, nullptr);
}

}  // namespace
