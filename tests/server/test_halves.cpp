// Large statistics queries on SQLite read their rows in two halves at once, each on its own
// connection; the rows must be exactly those of the whole statement, seen at one moment.
#include "server/connection.h"

#include "host/data/errors.h"

#include "tests/common/qtprint.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace vorn;

namespace {

const QString Statement = QStringLiteral("SELECT ID, NAAM, N FROM T WHERE N IS NULL OR N >= :MIN");

class HalvesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        file_ = dir_.filePath(QStringLiteral("halves.db"));
        connection_ = server::OpenSqlite(file_, true, 100);
        connection_->executeScript(
            QStringLiteral("CREATE TABLE T (ID INTEGER PRIMARY KEY, NAAM TEXT, N INTEGER)"));
        connection_->executeScript(QStringLiteral(
            "INSERT INTO T VALUES (-5000, 'a', 1), (-1, NULL, 2), (0, 'c', NULL), (4095, 'd', 4), "
            "(4096, 'e', 5), (8192, 'f', -99), (9000, 'g', 7), (12345, 'h', NULL)"));
        params_.CreateParam(TFieldType::Integer, QStringLiteral("MIN")).SetAsInteger(0);
    }

    Table halves() { return connection_->queryInHalves(Statement, QStringLiteral("ID"), params_, fields_); }

    static QStringList rows(const Table& table) {
        QStringList result;
        for (std::size_t row = 0; row < table.rowCount(); ++row) {
            QStringList cells;
            for (const Column& column : table.columns)
                cells << (column.isNull(row) ? QString()
                          : column.kind() == StorageKind::Bytes
                              ? QString::fromUtf8(column.bytesAt(row).data(),
                                                  static_cast<qsizetype>(column.bytesAt(row).size()))
                              : QString::number(column.intAt(row)));
            result << cells.join(u'|');
        }
        return result;
    }

    static QStringList sorted(QStringList list) {
        list.sort();
        return list;
    }

    QTemporaryDir dir_;
    QString file_;
    std::unique_ptr<server::Connection> connection_;
    TParams params_;
    const std::vector<FieldDef> fields_{FieldDef::integer("ID"), FieldDef::wideString("NAAM", 20),
                                        FieldDef::integer("N")};
};

} // namespace

TEST_F(HalvesTest, TheHalvesTogetherAreTheWholeStatementEvenBlocksFirst) {
    const QStringList whole = rows(connection_->query(Statement, params_, fields_));
    const QStringList halved = rows(halves());
    ASSERT_EQ(whole.size(), 7) << "8192 is left out by the condition";
    EXPECT_EQ(sorted(halved), sorted(whole));
    EXPECT_EQ(halved,
              (QStringList{"-5000|a|1", "0|c|", "4095|d|4", "9000|g|7", "-1||2", "4096|e|5", "12345|h|"}))
        << "keys in even blocks of 4096 first (negative ones too), each half in the statement's order";
}

TEST_F(HalvesTest, RowsThisConnectionHasNotCommittedAreSeen) {
    connection_->begin();
    connection_->execute(QStringLiteral("INSERT INTO T VALUES (100, 'nieuw', 1000)"));
    EXPECT_EQ(rows(halves()), rows(connection_->query(Statement, params_, fields_)))
        << "read whole, in this connection's transaction";
    EXPECT_TRUE(rows(halves()).contains("100|nieuw|1000"));
    connection_->rollback();
    EXPECT_FALSE(rows(halves()).contains("100|nieuw|1000"));
}

TEST_F(HalvesTest, AnotherUsersUncommittedRowsAreNotSeenAndTheirLockIsReported) {
    auto writer = server::OpenSqlite(file_, false, 100);
    writer->begin();
    writer->execute(QStringLiteral("INSERT INTO T VALUES (101, 'ander', 1010)"));
    EXPECT_EQ(rows(halves()).size(), 7) << "a pending write leaves readers alone";

    writer->executeScript(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
    writer->execute(QStringLiteral("INSERT INTO T VALUES (102, 'ander', 1020)"));
    writer->commit(); // keeps its exclusive lock in this locking mode
    EXPECT_THROW(halves(), EDatabaseError) << "no half may be read while another user writes";

    writer.reset();
    EXPECT_EQ(rows(halves()).size(), 9);
}

TEST_F(HalvesTest, WriteAheadLogDatabasesAreReadWhole) {
    connection_->executeScript(QStringLiteral("PRAGMA journal_mode = WAL"));
    EXPECT_EQ(rows(halves()), rows(connection_->query(Statement, params_, fields_)))
        << "a writer may commit between the starts of two readers there";
}
