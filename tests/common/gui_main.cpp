// Entry point of the tests that need widgets: one QApplication on the offscreen platform, and a
// check after every test that it took its process services and its screen classes away again, so
// that no test depends on what an earlier one left installed.
#include "host/forms/formmanager.h"
#include "host/forms/processservices.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

class ServicesLeftBehind : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override {
        if (!vorn::FormManager().IsEmpty()) {
            ADD_FAILURE() << test.test_suite_name() << '.' << test.name()
                          << " left screen classes in the form manager";
            vorn::FormManager().Clear();
        }
        if (vorn::NoServicesInstalled())
            return;
        ADD_FAILURE() << test.test_suite_name() << '.' << test.name()
                      << " left a provider broker, school-year directory, host or error reporter installed";
        vorn::SetDefaultProviderBroker(nullptr);
        vorn::SetSchoolYearDirectory(nullptr);
        vorn::SetHost(nullptr);
        vorn::SetErrorReporter(nullptr);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ServicesLeftBehind);
    return RUN_ALL_TESTS();
}
