#include "participantscreen.h"

#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/data/scopeguards.h"
#include "host/forms/hostservices.h"

#include <QLocale>

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
}

std::int32_t TParticipantStatsForm::SavePrintStats(TIDList& list) {
    if (FJobID == -1)
        FJobID = GetJobID();
    const std::int32_t result = FJobID;
    TVornClientDataSet& print = PrintTable();
    const TControlsDisabled disabled(print);
    print.Close();
    print.Params().ParamByName(QStringLiteral("JobID")).SetAsInteger(FJobID);
    print.Open();
    // The fields once, not by name for every row of a long list.
    const auto field = [&print](const char* name) { return &print.FieldByName(QLatin1String(name)); };
    TField* const category = field("J_INTEGER1");
    TField* const recordType = field("J_TYPERECORD");
    TField* const jobType = field("J_JOBTYPE");
    TField* const code = field("J_SHORTTEXT1");
    TField* const description = field("J_LONGTEXT1");
    TField* const counts[] = {field("J_INTEGER2"), field("J_INTEGER3"), field("J_INTEGER4"),
                              field("J_INTEGER5"), field("J_INTEGER6"), field("J_INTEGER7"),
                              field("J_INTEGER8"), field("J_INTEGER9"), field("J_INTEGER10")};
    for (int i = 0; i < list.Count(); ++i) {
        const auto* stat = list.GetObjectAs<TParticipantStatistic>(i);
        print.Append();
        category->SetAsInteger(list.GetID(i));
        recordType->SetAsInteger(0);
        jobType->SetAsInteger(-1);
        code->SetAsString(stat->Code());
        description->SetAsString(stat->Omschrijving());
        const int values[] = {stat->Count(),        stat->FinCount(),      stat->NotFinNount(),
                              stat->ManCount(),     stat->GetVrouwCount(), stat->GetPersoonCount(),
                              CreditHoursOf(*stat), stat->C98Count(),      stat->LesurenCursist()};
        for (std::size_t v = 0; v < std::size(values); ++v)
            counts[v]->SetAsInteger(values[v]);
        print.Post();
    }
    print.ApplyUpdates(0);
    return result;
}

void TParticipantStatsForm::VornDBFormGetPrintParams(QObject*, const QString&, QStringList& params) {
    SetPrintParam(params, QStringLiteral("IS_ID"), QString::number(FISID));
    SetPrintParam(params, QStringLiteral("SC_ID"), QString::number(FSCID));
    if (PrintsSchoolYearId())
        SetPrintParam(params, QStringLiteral("SJ_ID"), QString::number(GetSchooljaarIDFrom(FVanaf)));
    const bool wholeSchoolYear =
        FVanaf == GetSchooljaarStartFrom(FVanaf) && FTot >= GetSchooljaarEndFrom(FTot);
    SetPrintParam(params, QStringLiteral("IsSchoolJaar"),
                  wholeSchoolYear ? QStringLiteral("1") : QStringLiteral("2"));
    SetPrintParam(params, QStringLiteral("WerkDatum"), ShortDate(FVanaf));
    SetPrintParam(params, QStringLiteral("Werkjaar"), QString::number(GetSchooljaarFrom(FVanaf)));
    SetPrintParam(params, QStringLiteral("TotDatum"), ShortDate(FTot));
    SetPrintParam(params, QStringLiteral("JobID"), QString::number(FJobID));
}

void TParticipantStatsForm::VornDBFormAfterPrint(QObject*, const QString&, const QStringList&) {
    if (PrintTable().Active())
        PrintTable().CancelUpdates();
    if (FJobID != -1)
        CleanJob(PrintJobKind(), FJobID, QVariant());
}

} // namespace telmod
