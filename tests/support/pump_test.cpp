// PumpUntil lets queued calls run until the condition holds, and gives up after its limit.
#include "tests/support/pump.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace kiv::test {
namespace {

using namespace std::chrono_literals;

class PumpUntilTest : public ::testing::Test {
protected:
    int m_argc = 1;
    char m_name[10] = "kiv_tests";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication m_application{m_argc, m_argv};
};

TEST_F(PumpUntilTest, RunsQueuedCallsUntilTheConditionHolds) {
    bool ran = false;
    QMetaObject::invokeMethod(
        &m_application, [&] { ran = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(PumpUntil([&] { return ran; }, "the queued call runs"));
}

TEST_F(PumpUntilTest, GivesUpAfterItsLimitNamingWhatItWaitedFor) {
    const ::testing::AssertionResult result =
        PumpUntil([] { return false; }, "nothing happens", 20ms);
    EXPECT_FALSE(result);
    EXPECT_STREQ(result.message(), "gave up after 20 ms waiting until nothing happens");
}

}  // namespace
}  // namespace kiv::test
