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
    const QStringList integerLabels{QStringLiteral("ID groep"),
                                    QStringLiteral("Totaal aantal"),
                                    QStringLiteral("Aantal financierbaar"),
                                    QStringLiteral("Aantal niet financierbaar"),
                                    QStringLiteral("Aantal Mannen"),
                                    QStringLiteral("Aantal vrouwen"),
                                    QStringLiteral("Aantal personen"),
                                    QStringLiteral("Aanvraag kredieturen"),
                                    QStringLiteral("C98")};
    for (int i = 1; i <= 9; ++i) {
        const QString name = QStringLiteral("J_INTEGER%1").arg(i);
        if (i == 8 && !creditHours)
            print.AddField(FieldDef::integer(name)); // written as 0; declared without label or flags
        else
            print.AddField(jobField(FieldDef::integer(name), integerLabels[i - 1]));
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
    print.AddField(FieldDef::integer(QStringLiteral("J_INTEGER10")).label(QStringLiteral("Lesuren cursist")));
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

/// The job-table columns of one category row: its id, code, description and nine counts.
struct TPrintRow {
    std::int32_t id = 0;
    QString code;
    QString description;
    std::array<std::int32_t, 9> counts{};
};

/// The category table's figure written to each of the nine count columns of a print row.
const std::array<const char*, 9> PrintedFigures{"Count",        "CountFin",   "CountNotFin",
                                                "CountMan",     "CountVrouw", "CountPersoon",
                                                "CountKrediet", "CountC98",   "LesurenCursist"};

/// Writes rows to the print table under one job id, and sends them in one apply.
class TPrintJobWriter {
public:
    TPrintJobWriter(TVornClientDataSet& print, std::int32_t jobId) : print_(print) {
        print_.Close();
        print_.Params().ParamByName(QStringLiteral("JobID")).SetAsInteger(jobId);
        print_.Open();
        // The fields once, not by name for every row of a long list.
        category_ = field("J_INTEGER1");
        recordType_ = field("J_TYPERECORD");
        jobType_ = field("J_JOBTYPE");
        code_ = field("J_SHORTTEXT1");
        description_ = field("J_LONGTEXT1");
        for (int i = 0; i < 9; ++i)
            counts_[static_cast<std::size_t>(i)] =
                &print_.FieldByName(QStringLiteral("J_INTEGER%1").arg(i + 2));
    }

    void Append(const TPrintRow& row) {
        print_.Append();
        category_->SetAsInteger(row.id);
        recordType_->SetAsInteger(0);
        jobType_->SetAsInteger(-1);
        code_->SetAsString(row.code);
        description_->SetAsString(row.description);
        for (std::size_t v = 0; v < row.counts.size(); ++v)
            counts_[v]->SetAsInteger(row.counts[v]);
        print_.Post();
    }

    void Send() { print_.ApplyUpdates(0); }

private:
    TField* field(const char* name) const { return &print_.FieldByName(QLatin1String(name)); }

    TVornClientDataSet& print_;
    TField* category_ = nullptr;
    TField* recordType_ = nullptr;
    TField* jobType_ = nullptr;
    TField* code_ = nullptr;
    TField* description_ = nullptr;
    std::array<TField*, 9> counts_{};
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
    row.id = value(QStringLiteral("ID"));
    row.code = text("Code");
    row.description = text("Omschrijving");
    for (std::size_t v = 0; v < PrintedFigures.size(); ++v)
        row.counts[v] = value(QLatin1String(PrintedFigures[v]));
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
        TPrintRow row;
        row.id = list.GetID(i);
        row.code = stat->Code();
        row.description = stat->Omschrijving();
        row.counts = {stat->Count(),        stat->FinCount(),      stat->NotFinNount(),
                      stat->ManCount(),     stat->GetVrouwCount(), stat->GetPersoonCount(),
                      CreditHoursOf(*stat), stat->C98Count(),      stat->LesurenCursist()};
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
