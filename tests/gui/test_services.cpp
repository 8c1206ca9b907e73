// Process services installed for a scope: what was there before comes back, a scope of one service
// leaves the others alone, and an owner that fails still takes its services away.
#include "host/data/provider.h"
#include "host/forms/processservices.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vorn;

namespace {

struct Years : ISchoolYearDirectory {
    int schoolYearId(int number) override { return number; }
};

} // namespace

TEST(ServicesScope, PutsBackWhatWasThereAndOnlyWhatItInstalled) {
    InMemoryBroker outer;
    InMemoryBroker inner;
    Years years;
    ASSERT_TRUE(NoServicesInstalled());
    {
        const TServicesScope first({.broker = &outer});
        auto second =
            std::make_unique<TServicesScope>(TProcessServices{.broker = &inner, .schoolYears = &years});
        QStringList shown;
        const TServicesScope reporter({.errorReporter = [&](const QString& text) { shown << text; }});
        EXPECT_EQ(DefaultProviderBroker(), &inner);
        EXPECT_EQ(InstalledSchoolYearDirectory(), &years);
        second.reset(); // ends before the reporter's scope that started after it
        EXPECT_EQ(DefaultProviderBroker(), &outer);
        EXPECT_EQ(InstalledSchoolYearDirectory(), nullptr);
        ReportError("nog getoond");
        EXPECT_EQ(shown, QStringList{"nog getoond"}) << "the reporter installed later stays";
    }
    EXPECT_TRUE(NoServicesInstalled());
}

TEST(ServicesScope, AnOwnerThatFailsLeavesNothingInstalled) {
    InMemoryBroker broker;
    const auto failing = [&] {
        const TServicesScope services({.broker = &broker, .errorReporter = [](const QString&) {}});
        throw std::runtime_error("mislukt");
    };
    EXPECT_THROW(failing(), std::runtime_error);
    EXPECT_TRUE(NoServicesInstalled());
}
