#include "screenfixture.h"

#include "data/demo/demodata.h"
#include "server/schema.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace vorn::testing {

void Idle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

void ScreenTest::Serve(std::unique_ptr<server::Connection> connection) {
    connection_ = std::move(connection);
    broker_ = std::make_unique<server::SqlBroker>(*connection_);
    host_ = std::make_unique<TestHost>(*broker_, broker_.get());
    services_.emplace(TProcessServices{broker_.get(), host_.get(), host_.get(),
                                       [this](const QString& message) { errors_ << message; }});
}

void ScreenTest::TearDown() {
    services_.reset();
}

void ScreenTest::Attach(TVornDBForm& form, const QString& overview) {
    institutions_.SetProviderName(overview);
    institutions_.Open();
    source_.SetDataSet(&institutions_);
    StartScreen(form, &source_, nullptr);
    form.resize(form.DesignSize);
}

void DemoScreenTest::SetUp() {
    auto connection = server::OpenSqlite(dir_.filePath("demo.db"), true);
    server::CreateSchema(*connection);
    demo::GenerateDemoData(*connection, {3, 2023, 300});
    Serve(std::move(connection));
}

namespace {
QString readScript(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return QString::fromUtf8(file.readAll());
}
} // namespace

void KnownScreenTest::SetUp() {
    auto connection = server::OpenSqlite(dir_.filePath("known.db"), true);
    server::CreateSchema(*connection);
    connection->executeScript(readScript(QStringLiteral(VORN_TEST_DATA "/server/fixture.sql")));
    connection->executeScript(readScript(QStringLiteral(VORN_TEST_DATA "/participants/participants.sql")));
    Serve(std::move(connection));
}

} // namespace vorn::testing
