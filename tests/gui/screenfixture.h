#pragma once

#include "server/connection.h"
#include "server/sqlbroker.h"

#include "host/data/clientdataset.h"
#include "host/data/schoolyear.h"
#include "host/forms/hostservices.h"
#include "host/forms/processservices.h"
#include "host/forms/vornform.h"
#include "tests/common/qtprint.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace vorn::testing {

/// Lets the event loop run out of work, as it does between the user's actions.
void Idle();

/// A host for one screen: a fixed work date, school-year ids counted on their way to the server, job
/// ids and job cleaning from the server.
class TestHost : public IHostServices, public ISchoolYearDirectory {
public:
    explicit TestHost(ISchoolYearDirectory& server, server::SqlBroker* jobs = nullptr)
        : server_(server), jobs_(jobs) {}
    TDateTime WerkDatum() const override { return EncodeDate(2025, 12, 1); }
    void PushStatus(const QString&) override {}
    void PopStatus() override {}
    void PushCursor(Qt::CursorShape) override {}
    void PopCursor() override {}
    int GetJobID() override {
        if (onJobId)
            onJobId();
        return jobs_ == nullptr ? 1 : jobs_->newJobId();
    }
    QString CleanJob(int kind, int job, const QVariant& extra) override {
        return jobs_ == nullptr ? QString() : jobs_->cleanJob(kind, job, extra);
    }
    int schoolYearId(int number) override {
        ++lookups;
        return server_.schoolYearId(number);
    }
    int lookups = 0;
    std::function<void()> onJobId; // a test's fault, as a job id is drawn

private:
    ISchoolYearDirectory& server_;
    server::SqlBroker* jobs_;
};

/// A database, its server and a host for screens; errors shown to the user are collected.
class ScreenTest : public ::testing::Test {
protected:
    void TearDown() override;
    /// Serves the screens from this database.
    void Serve(std::unique_ptr<server::Connection> connection);
    /// Creates the screen the way the host does: created, datasets opened, attached to the
    /// institution overview of that provider as master, sized.
    void Attach(TVornDBForm& form, const QString& overview);

    QTemporaryDir dir_;
    std::unique_ptr<server::Connection> connection_;
    std::unique_ptr<server::SqlBroker> broker_;
    std::unique_ptr<TestHost> host_;
    std::optional<TServicesScope> services_;
    TVornClientDataSet institutions_{"CDSBrowseInstelling"};
    TVornDatasource source_;
    QStringList errors_;
};

/// A demo database (school years 2023 to 2025); screens get the institution overview as master.
class DemoScreenTest : public ScreenTest {
protected:
    void SetUp() override;
    void Attach(TVornDBForm& form) { ScreenTest::Attach(form, "DSPBrowseInstellingen"); }
};

/// The provider tests' hand-built database with the participant rows added, whose figures the
/// participant screen tests know.
class KnownScreenTest : public ScreenTest {
protected:
    void SetUp() override;
};

} // namespace vorn::testing
