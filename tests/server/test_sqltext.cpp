#include "server/sqltext.h"
#include "server/values.h"

#include "host/data/errors.h"

#include <gtest/gtest.h>

using namespace vorn::server;

TEST(SqlText, NamedParametersBecomeNumberedOnceEachOutsideQuotesAndComments) {
    const NumberedSql pg = NumberPlaceholders(
        "SELECT ':x', a::int FROM t -- :y\nWHERE b = :WerkDatum AND c >= :IS_ID AND d <= :werkdatum",
        Dialect::PostgreSQL);
    EXPECT_EQ(pg.text, "SELECT ':x', a::int FROM t -- :y\nWHERE b = $1 AND c >= $2 AND d <= $1");
    EXPECT_EQ(pg.names, (QStringList{"WerkDatum", "IS_ID"}));
    EXPECT_EQ(NumberPlaceholders("x = :A", Dialect::SQLite).text, "x = ?1");
}

TEST(SqlText, SeveralStatementsAreSeenPastQuotesAndTrailingSemicolons) {
    for (const Dialect dialect : {Dialect::SQLite, Dialect::PostgreSQL}) {
        EXPECT_FALSE(HasSeveralStatements("SELECT 1;  ", dialect));
        EXPECT_FALSE(HasSeveralStatements("SELECT ';DROP' -- ; x\n", dialect));
        EXPECT_TRUE(HasSeveralStatements("SELECT 1; DELETE FROM t", dialect));
        EXPECT_TRUE(HasSeveralStatements("SELECT 1;'x'", dialect));
    }
}

TEST(SqlText, DollarQuotesAndEscapeStringsAreOneLiteralOnPostgresql) {
    const Dialect pg = Dialect::PostgreSQL;
    EXPECT_FALSE(HasSeveralStatements("SELECT $$;$$", pg));
    EXPECT_FALSE(HasSeveralStatements("SELECT $tag$ ; $$ ; $tag$ AS x;", pg));
    EXPECT_TRUE(HasSeveralStatements("SELECT $tag$ ; $tag$; SELECT 2", pg));
    EXPECT_TRUE(HasSeveralStatements("SELECT 1; $$x$$", pg))
        << "a literal after the ';' is a second statement";
    EXPECT_FALSE(HasSeveralStatements("SELECT E'it\\'s; fine'", pg));
    EXPECT_TRUE(HasSeveralStatements("SELECT E'a\\\\'; SELECT 2", pg))
        << "an escaped backslash ends before the quote";
    // A parameter, a name with a dollar in it and a numbered placeholder are no quotes.
    EXPECT_TRUE(HasSeveralStatements("SELECT a$b$c FROM t; DELETE FROM t", pg));
    EXPECT_TRUE(HasSeveralStatements("SELECT $1; SELECT $2", pg));

    const NumberedSql numbered =
        NumberPlaceholders("SELECT $$:binnen$$, $q$ :ook $q$, E'\\' :niet', :IS_ID", pg);
    EXPECT_EQ(numbered.names, QStringList{"IS_ID"});
    EXPECT_EQ(numbered.text, "SELECT $$:binnen$$, $q$ :ook $q$, E'\\' :niet', $1");
}

TEST(SqlValues, IsoDatesMapToDayNumbersBothWays) {
    double day = 0;
    ASSERT_TRUE(ParseIsoDateTime("2024-09-01", day));
    EXPECT_EQ(day, 45536.0);
    ASSERT_TRUE(ParseIsoDateTime("1899-12-29 18:00:00", day));
    EXPECT_DOUBLE_EQ(day, -1.75);
    EXPECT_FALSE(ParseIsoDateTime("2024-13-01", day));
    EXPECT_FALSE(ParseIsoDateTime("1 oktober", day));
    EXPECT_EQ(IsoText(45536.0), "2024-09-01");
    EXPECT_EQ(IsoText(45536.5), "2024-09-01 12:00:00");
}

TEST(SqlValues, DecimalTextsKeepTheirScaleAndRoundHalfAwayFromZero) {
    vorn::Column column(vorn::StorageKind::Int64);
    const auto def = vorn::FieldDef::decimal("X", 18, 2);
    for (const char* text : {"10.5", "-0.125", "7", "0.004"})
        AppendText(column, def, text);
    EXPECT_EQ(column.intAt(0), 1050);
    EXPECT_EQ(column.intAt(1), -13);
    EXPECT_EQ(column.intAt(2), 700);
    EXPECT_EQ(column.intAt(3), 0);
    EXPECT_THROW(AppendText(column, def, "tien"), vorn::EDatabaseError);
}
