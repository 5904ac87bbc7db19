// One QApplication for the whole test run, made before the first test; linked into every test
// program that shows windows or paints widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class QtApplication : public testing::Environment {
public:
    void SetUp() override { m_application = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_application.reset(); }

private:
    // QApplication keeps references to both for its whole life.
    int m_argc = 1;
    char m_name[10] = "kiv_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new QtApplication);

}  // namespace
