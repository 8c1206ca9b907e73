// The persons of the VWO totals line, counted with the categories: against a recount of the same
// rows in any order, with rows without a person and a person whose rows disagree on the sex.
#include "telmod/participants/categories.h"

#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>

using namespace vorn;
using namespace telmod;

namespace {

/// Enrolment rows of persons and the sex each row gives; person 0 is a row without a person.
void Fill(TVornClientDataSet& rows, const std::vector<std::pair<int, QString>>& enrolments) {
    rows.AddField(FieldDef::integer("LL_ID"));
    rows.AddField(FieldDef::wideString("LL_GESLACHT", 1));
    rows.CreateDataSet();
    for (const auto& [person, sex] : enrolments) {
        rows.Append();
        if (person != 0)
            rows.FieldByName("LL_ID").SetAsInteger(person);
        if (!sex.isEmpty())
            rows.FieldByName("LL_GESLACHT").SetAsString(sex);
        rows.Post();
    }
}

TPersonTotals Count(TVornClientDataSet& rows) {
    return CountPersonTotals(rows.IntegerView(rows.FieldByName("LL_ID")),
                             rows.TextView(rows.FieldByName("LL_GESLACHT")));
}

} // namespace

TEST(PersonTotals, EachPersonCountsOnceInAnyOrderOfTheRows) {
    std::mt19937 random(5);
    const QStringList sexes{"M", "V", "", "X"};
    std::vector<std::pair<int, QString>> enrolments;
    std::map<int, std::pair<bool, bool>> recount; // person: man, woman
    for (int i = 0; i < 600; ++i) {
        const int person = static_cast<int>(random() % 150);
        const QString& sex = sexes[static_cast<int>(random() % 4)];
        enrolments.emplace_back(person, sex);
        recount[person].first = recount[person].first || sex == "M";
        recount[person].second = recount[person].second || sex == "V";
    }
    TPersonTotals expected;
    for (const auto& [person, sex] : recount) {
        ++expected.persons;
        expected.men += sex.first ? 1 : 0;
        expected.women += sex.second ? 1 : 0;
    }
    TVornClientDataSet rows("rows");
    Fill(rows, enrolments);
    EXPECT_EQ(Count(rows), expected) << "rows in no order";
    rows.Sort("LL_ID");
    EXPECT_EQ(Count(rows), expected) << "rows in person order";
    EXPECT_GT(expected.men + expected.women, expected.persons) << "the draw gives persons of both sexes";
}

TEST(PersonTotals, NoRowsNoPersonsAndRowsWithoutAPersonAsOne) {
    TVornClientDataSet none("none");
    Fill(none, {});
    EXPECT_EQ(Count(none), TPersonTotals{});
    TVornClientDataSet withoutPerson("without");
    Fill(withoutPerson, {{0, "V"}, {0, ""}, {7, "M"}});
    EXPECT_EQ(Count(withoutPerson), (TPersonTotals{2, 1, 1}));
}
