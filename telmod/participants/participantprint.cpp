#include "participantscreen.h"

#include "host/data/cell.h"
#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/data/scopeguards.h"
#include "host/forms/hostservices.h"

#include <QLocale>
#include <algorithm>
#include <array>

namespace telmod {

using namespace vorn;

namespace {

QString ShortDate(TDateTime date) {
    return QLocale().toString(DateTimeToDate(date), QLocale::ShortFormat);
}

/// A category as counted: its id, its statistic, and its credit-hour requests (0 where the regime
/// has none).
struct TCountedCategory {
    std::int32_t id;
    const TParticipantStatistic& stat;
    std::int32_t creditHours;
};

/// One whole-number column of the job table: how the reports label it, which field of a category
/// table it holds and which figure of a counted statistic.
struct TJobColumn {
    const char* name;
    const char* label;
    const char* figure;
    std::int32_t (*counted)(const TCountedCategory&);
};

/// How a category maps onto the job table, in one place for declaring the print table and for
/// writing its rows: J_INTEGER1 the category's id, J_INTEGER2 to J_INTEGER10 its figures. A figure
/// the regime lacks is written as 0.
const std::array<TJobColumn, 10> JobColumns{{
    {"J_INTEGER1", "ID groep", "ID", [](const TCountedCategory& c) { return c.id; }},
    {"J_INTEGER2", "Totaal aantal", "Count", [](const TCountedCategory& c) { return c.stat.Count(); }},
    {"J_INTEGER3", "Aantal financierbaar", "CountFin",
     [](const TCountedCategory& c) { return c.stat.FinCount(); }},
    {"J_INTEGER4", "Aantal niet financierbaar", "CountNotFin",
     [](const TCountedCategory& c) { return c.stat.NotFinNount(); }},
    {"J_INTEGER5", "Aantal Mannen", "CountMan", [](const TCountedCategory& c) { return c.stat.ManCount(); }},
    {"J_INTEGER6", "Aantal vrouwen", "CountVrouw",
     [](const TCountedCategory& c) { return c.stat.GetVrouwCount(); }},
    {"J_INTEGER7", "Aantal personen", "CountPersoon",
     [](const TCountedCategory& c) { return c.stat.GetPersoonCount(); }},
    {"J_INTEGER8", "Aanvraag kredieturen", "CountKrediet",
     [](const TCountedCategory& c) { return c.creditHours; }},
    {"J_INTEGER9", "C98", "CountC98", [](const TCountedCategory& c) { return c.stat.C98Count(); }},
    {"J_INTEGER10", "Lesuren cursist", "LesurenCursist",
     [](const TCountedCategory& c) { return c.stat.LesurenCursist(); }},
}};
constexpr std::size_t CreditHoursColumn = 7;
constexpr std::size_t TeachingHoursColumn = 9;

} // namespace

int ItemByKeyword(const QString& description, const std::vector<KeywordRule>& rules) {
    const QString lower = description.toLower();
    for (const KeywordRule& rule : rules)
        if (lower.contains(QLatin1String(rule.keyword)))
            return rule.item;
    return -1;
}

void DeclarePrintTable(TVornClientDataSet& print, const QString& provider, bool creditHours) {
    print.SetProviderName(provider);
    print.AutoOpen = false;
    print.AutoCommit = false;
    print.SkipConfirmation = true;
    print.IDField = QStringLiteral("J_ID");
    print.ParamToFields = QStringLiteral("J_JOBID=JobID");
    print.Params().CreateParam(TFieldType::Integer, QStringLiteral("JobID"));
    const auto jobField = [](FieldDef def, const QString& label) {
        def.label(label).flags(pfInUpdate);
        def.origin = QStringLiteral("JOBDATA.") + def.name;
        return def;
    };
    print.AddField(jobField(FieldDef::integer(QStringLiteral("J_ID")), QStringLiteral("ID Jobdata"))
                       .flags(pfInUpdate | pfInKey)
                       .req());
    for (std::size_t i = 0; i < TeachingHoursColumn; ++i) {
        const QString name = QLatin1String(JobColumns[i].name);
        if (i == CreditHoursColumn && !creditHours)
            print.AddField(FieldDef::integer(name)); // written as 0; declared without label or flags
        else
            print.AddField(jobField(FieldDef::integer(name), QString::fromUtf8(JobColumns[i].label)));
    }
    print.AddField(jobField(FieldDef::integer(QStringLiteral("J_JOBID")), QStringLiteral("Job ID")).req());
    print.AddField(jobField(FieldDef::integer(QStringLiteral("J_JOBTYPE")), QStringLiteral("JobType")).req());
    print.AddField(
        jobField(FieldDef::wideString(QStringLiteral("J_LONGTEXT1"), 80), QStringLiteral("Omschrijving")));
    // The whole code: class codes reach 26 characters, fee-rate codes 50.
    print.AddField(
        jobField(FieldDef::wideString(QStringLiteral("J_SHORTTEXT1"), 50), QStringLiteral("Code")));
    print.AddField(
        jobField(FieldDef::integer(QStringLiteral("J_TYPERECORD")), QStringLiteral("Type record")).req());
    const TJobColumn& teachingHours = JobColumns[TeachingHoursColumn];
    print.AddField(
        FieldDef::integer(QLatin1String(teachingHours.name)).label(QString::fromUtf8(teachingHours.label)));
}

TIDList* TParticipantStatsForm::ListByKeyword(const QString& description) const {
    const int item = ItemByKeyword(description, KeywordRules());
    return item < 0 ? nullptr : ListOfItem(item);
}

TIDList* TParticipantStatsForm::SelectStatistiek() {
    if (Unattended) {
        if (PresetChoice < 0)
            RaiseClientError("De rapportnaam noemt geen soort statistiek: kies er een met --category");
        TIDList* list = ListOfItem(PresetChoice);
        if (list == nullptr)
            RaiseClientError("Er is geen statistiek met nummer %d", PresetChoice);
        return list;
    }
    const std::unique_ptr<TSelectStatForm> dialog = CreateSelectDialog();
    if (dialog->exec() != QDialog::Accepted)
        return nullptr;
    return ListOfItem(dialog->GetSel());
}

void TParticipantStatsForm::VornDBFormBeforePrint(QObject*, QString& description, bool& permission) {
    TIDList* list = ListByKeyword(description);
    if (list == nullptr)
        list = SelectStatistiek();
    permission = list != nullptr;
    if (!permission)
        return;
    const BusyScope busy(QStringLiteral("Bewaren statistiek in tijdelijke tabel"));
    SavePrintStats(*list);
    if (FComparedWith) {
        // The print stops here on a failure, before the host's AfterPrint cleans up: the first
        // job's rows must not stay behind.
        const TOnFailure cleanFirst([this] { CleanJob(PrintJobKind(), FJobID, QVariant()); });
        SaveComparedPrintStats(*list);
    }
}

namespace {

/// The job-table columns of one category row: its code, description and the whole numbers of
/// JobColumns (its id and nine counts).
struct TPrintRow {
    QString code;
    QString description;
    std::array<std::int32_t, JobColumns.size()> integers{};
};

/// Writes rows to the print table under one job id, and sends them in one apply.
class TPrintJobWriter {
public:
    TPrintJobWriter(TVornClientDataSet& print, std::int32_t jobId) : print_(print) {
        print_.Close();
        print_.Params().ParamByName(QStringLiteral("JobID")).SetAsInteger(jobId);
        print_.Open();
        // The fields once, not by name for every row of a long list.
        recordType_ = field("J_TYPERECORD");
        jobType_ = field("J_JOBTYPE");
        code_ = field("J_SHORTTEXT1");
        description_ = field("J_LONGTEXT1");
        for (std::size_t i = 0; i < JobColumns.size(); ++i)
            integers_[i] = field(JobColumns[i].name);
    }

    void Append(const TPrintRow& row) {
        print_.Append();
        recordType_->SetAsInteger(0);
        jobType_->SetAsInteger(-1);
        code_->SetAsString(row.code);
        description_->SetAsString(row.description);
        for (std::size_t i = 0; i < row.integers.size(); ++i)
            integers_[i]->SetAsInteger(row.integers[i]);
        print_.Post();
    }

    void Send() { print_.ApplyUpdates(0); }

private:
    TField* field(const char* name) const { return &print_.FieldByName(QLatin1String(name)); }

    TVornClientDataSet& print_;
    TField* recordType_ = nullptr;
    TField* jobType_ = nullptr;
    TField* code_ = nullptr;
    TField* description_ = nullptr;
    std::array<TField*, JobColumns.size()> integers_{};
};

/// A row of a category table as the print table holds it; a figure the regime lacks is 0.
TPrintRow PrintRowAt(const TVornClientDataSet& table, int position) {
    const auto value = [&](const QString& name) -> std::int32_t {
        const TField* field = table.FindField(name);
        if (field == nullptr)
            return 0;
        const Cell cell = table.cellAtPosition(*field, position);
        return IsNullCell(cell) ? 0 : static_cast<std::int32_t>(StoredInteger(field->Def(), cell));
    };
    const auto text = [&](const char* name) {
        return CellText(table.FieldByName(QLatin1String(name)).Def(),
                        table.cellAtPosition(table.FieldByName(QLatin1String(name)), position));
    };
    TPrintRow row;
    row.code = text("Code");
    row.description = text("Omschrijving");
    for (std::size_t i = 0; i < JobColumns.size(); ++i)
        row.integers[i] = value(QLatin1String(JobColumns[i].figure));
    return row;
}

} // namespace

std::int32_t TParticipantStatsForm::SavePrintStats(TIDList& list) {
    if (FJobID == -1)
        FJobID = GetJobID();
    const std::int32_t result = FJobID;
    TVornClientDataSet& print = PrintTable();
    const TControlsDisabled disabled(print);
    TPrintJobWriter writer(print, FJobID);
    for (int i = 0; i < list.Count(); ++i) {
        const auto* stat = list.GetObjectAs<TParticipantStatistic>(i);
        const TCountedCategory counted{list.GetID(i), *stat, CreditHoursOf(*stat)};
        TPrintRow row;
        row.code = stat->Code();
        row.description = stat->Omschrijving();
        for (std::size_t c = 0; c < JobColumns.size(); ++c)
            row.integers[c] = JobColumns[c].counted(counted);
        writer.Append(row);
    }
    writer.Send();
    return result;
}

void TParticipantStatsForm::SaveComparedPrintStats(const TIDList& list) {
    const std::vector<TIDList*> lists = pageLists();
    const auto page = std::find(lists.begin(), lists.end(), &list);
    const TVornClientDataSet* other =
        page == lists.end() ? nullptr : FComparison.OtherRows(static_cast<std::size_t>(page - lists.begin()));
    if (other == nullptr)
        RaiseClientError(
            "De vergelijking van deze statistiek is niet meer bij te houden: haal de cijfers opnieuw op");
    if (FOtherJobID == -1)
        FOtherJobID = GetJobID();
    TVornClientDataSet& print = PrintTable();
    const TControlsDisabled disabled(print);
    TPrintJobWriter writer(print, FOtherJobID);
    for (int position = 0; position < other->RecordCount(); ++position)
        writer.Append(PrintRowAt(*other, position));
    writer.Send();
}

void TParticipantStatsForm::AddPeriodParams(QStringList& params, const QString& prefix, const TDateSpan& span,
                                            int jobId) const {
    const auto set = [&](const char* name, const QString& value) {
        SetPrintParam(params, prefix + QLatin1String(name), value);
    };
    if (PrintsSchoolYearId())
        set("SJ_ID", QString::number(GetSchooljaarIDFrom(span.from)));
    const bool wholeSchoolYear =
        span.from == GetSchooljaarStartFrom(span.from) && span.to >= GetSchooljaarEndFrom(span.to);
    set("IsSchoolJaar", wholeSchoolYear ? QStringLiteral("1") : QStringLiteral("2"));
    set("WerkDatum", ShortDate(span.from));
    set("Werkjaar", QString::number(GetSchooljaarFrom(span.from)));
    set("TotDatum", ShortDate(span.to));
    set("JobID", QString::number(jobId));
}

void TParticipantStatsForm::VornDBFormGetPrintParams(QObject*, const QString&, QStringList& params) {
    SetPrintParam(params, QStringLiteral("IS_ID"), QString::number(FISID));
    SetPrintParam(params, QStringLiteral("SC_ID"), QString::number(FSCID));
    const TDateSpan own{FVanaf, FTot};
    AddPeriodParams(params, QString(), own, FJobID);
    if (!FComparedWith || FOtherJobID == -1)
        return;
    const TDateSpan other = *FComparedWith;
    AddPeriodParams(params, QStringLiteral("VGL_"), other, FOtherJobID);
    const int otherYear = GetSchooljaarFrom(other.from);
    SetPrintParam(params, QStringLiteral("VGL_ZelfdeSchooljaar"),
                  otherYear == GetSchooljaarFrom(own.from) ? QStringLiteral("1") : QStringLiteral("0"));
    SetPrintParam(params, QStringLiteral("Reeks"), SpanText(own, true));
    SetPrintParam(params, QStringLiteral("VGL_Reeks"), SpanText(other, true));
    SetPrintParam(params, QStringLiteral("Vergelijking"),
                  QStringLiteral("Vergeleken met: %1 (schooljaar %2-%3)")
                      .arg(SpanText(other, true))
                      .arg(otherYear)
                      .arg(otherYear + 1));
}

void TParticipantStatsForm::VornDBFormAfterPrint(QObject*, const QString&, const QStringList&) {
    if (PrintTable().Active())
        PrintTable().CancelUpdates();
    if (FJobID != -1)
        CleanJob(PrintJobKind(), FJobID, QVariant());
    if (FOtherJobID != -1)
        CleanJob(PrintJobKind(), FOtherJobID, QVariant());
}

} // namespace telmod
