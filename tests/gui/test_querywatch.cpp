#include "app/querywatch.h"

#include "server/connection.h"
#include "server/sqlbroker.h"

#include "host/data/clientdataset.h"
#include "host/data/errors.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vorn;

namespace {

struct WatchedWindow {
    WatchedWindow() : watch(window) {
        window.setCentralWidget(edit);
        window.show();
        edit->setFocus();
    }
    QMainWindow window;
    QLineEdit* edit = new QLineEdit;
    TQueryWatch watch;
};

} // namespace

TEST(QueryWatch, AShortQueryIsNeverOfferedToStop) {
    WatchedWindow w;
    w.watch.Running(true);
    EXPECT_FALSE(w.watch.StopRequested());
    EXPECT_FALSE(w.watch.CancelButton()->isVisible());
    w.watch.Running(false);
}

TEST(QueryWatch, ALongQueryOffersTheButtonTakesNoOtherInputAndStopsOnTheButtonOrEscape) {
    WatchedWindow w;
    for (const bool byEscape : {false, true}) {
        w.watch.Running(true);
        QThread::msleep(350);
        EXPECT_FALSE(w.watch.StopRequested());
        ASSERT_TRUE(w.watch.CancelButton()->isVisible());
        QTest::keyClicks(w.edit, "abc");
        EXPECT_TRUE(w.edit->text().isEmpty()) << "the window takes no input while a query runs";
        if (byEscape)
            QTest::keyClick(w.edit, Qt::Key_Escape);
        else
            QTest::mouseClick(w.watch.CancelButton(), Qt::LeftButton);
        EXPECT_TRUE(w.watch.StopRequested());
        w.watch.Running(false);
        EXPECT_FALSE(w.watch.CancelButton()->isVisible());
        QTest::keyClicks(w.edit, "x");
        EXPECT_EQ(w.edit->text(), "x") << "input is back once the query ended";
        w.edit->clear();
    }
}

TEST(QueryWatch, TheButtonStopsARealQueryAndTheConnectionGoesOn) {
    QTemporaryDir dir;
    auto connection = server::OpenSqlite(dir.filePath("watch.db"), true);
    server::SqlBroker broker(*connection);
    WatchedWindow w;
    // The button is pressed as soon as it shows, from the event loop the watch lets run.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (w.watch.CancelButton()->isVisible())
            w.watch.CancelButton()->click();
    });
    poll.start(20);
    connection->setReadOnlyLimits(
        {0, [&] { return w.watch.StopRequested(); }, [&](bool running) { w.watch.Running(running); }});
    TVornClientDataSet cube("CubeData", &broker);
    cube.SetProviderName("DSPReports");
    cube.SetCommandText(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000000) "
        "SELECT COUNT(*) FROM n");
    try {
        cube.Open();
        ADD_FAILURE() << "the query should have been stopped";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.message(), server::StoppedMessage());
    }
    EXPECT_FALSE(cube.Active());
    EXPECT_FALSE(w.watch.CancelButton()->isVisible());
    cube.SetCommandText("SELECT 41 + 1 AS ANTWOORD");
    cube.Open();
    EXPECT_EQ(cube.FieldByName("ANTWOORD").AsInteger(), 42);
}

TEST(QueryWatch, TheTimeLimitComesFromTheSettingsFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("vorn.ini");
    EXPECT_EQ(QueryTimeLimit(file), 60);
    QFile ini(file);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Databank]\nTijdslimietQuery=5\n");
    ini.close();
    EXPECT_EQ(QueryTimeLimit(file), 5);
}
