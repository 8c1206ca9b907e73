#include "demodata.h"

#include "demostatistics.h"

#include "server/schema.h"

#include "host/data/errors.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace vorn::demo {

namespace {

using server::BindList;
using server::BindValue;

/// splitmix64: small, fast and the same on every machine, so a seed always gives the same data.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> const T& pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))];
    }

private:
    std::uint64_t state_;
};

BindValue I(std::int64_t value) {
    return {BindValue::Kind::Integer, value, {}};
}
BindValue S(const QString& text) {
    return {BindValue::Kind::Text, 0, text.toStdString()};
}
BindValue N() {
    return {};
}
BindValue D(const QDate& date) {
    return date.isValid() ? S(date.toString(Qt::ISODate)) : N();
}
BindValue Dec(double value, int decimals) {
    return S(QString::number(value, 'f', decimals));
}
BindValue OptI(std::int64_t value) {
    return value == 0 ? N() : I(value);
}

/// Where the generated rows go, and how many are sent at once.
struct RowSink {
    server::Connection& connection;
    std::size_t batchRows;
};

/// Buffers the rows of one table and sends them in large batches.
class TableWriter {
public:
    TableWriter(const RowSink& sink, QString table, QStringList columns)
        : sink_(sink), table_(std::move(table)), columns_(std::move(columns)) {}
    /// This table's rows refer to the rows of `parent`: those are always sent first.
    void SendsAfter(TableWriter& parent) { parent_ = &parent; }
    void add(BindList row) {
        rows_.push_back(std::move(row));
        ++count_;
        if (rows_.size() >= sink_.batchRows)
            flush();
    }
    void flush() {
        if (parent_ != nullptr)
            parent_->flush();
        if (!rows_.empty())
            sink_.connection.insertRows(table_, columns_, rows_);
        rows_.clear();
    }
    int count() const { return count_; }

private:
    RowSink sink_;
    TableWriter* parent_ = nullptr;
    QString table_;
    QStringList columns_;
    std::vector<BindList> rows_;
    int count_ = 0;
};

const std::vector<QString> MaleNames{"Lucas",  "Noah", "Louis", "Liam", "Arthur",  "Jules",   "Adam",
                                     "Victor", "Finn", "Mats",  "Wout", "Seppe",   "Lars",    "Jan",
                                     "Pieter", "Tom",  "Bart",  "Koen", "Mohamed", "Youssef", "Stijn",
                                     "Dirk",   "Marc", "Wim",   "Kobe", "Milan"};
const std::vector<QString> FemaleNames{"Emma",  "Olivia", "Louise", "Mila",   "Elena", "Marie", "Nora",
                                       "Lina",  "Fien",   "Lotte",  "Ella",   "Hanne", "Ine",   "Sofie",
                                       "An",    "Els",    "Griet",  "Fatima", "Amira", "Lore",  "Katrien",
                                       "Sarah", "Leen",   "Noor",   "Julie"};
const std::vector<QString> Surnames{
    "Peeters",    "Janssens",       "Maes",      "Jacobs",       "Mertens", "Willems",   "Claes",
    "Goossens",   "Wouters",        "De Smet",   "Dubois",       "Hermans", "Aerts",     "Vermeulen",
    "Pauwels",    "Van den Broeck", "De Backer", "Vandenberghe", "Desmet",  "Verhoeven", "Michiels",
    "Lambrechts", "Van Damme",      "De Clercq", "Smets",        "Coppens", "El Amrani", "Bogaert",
    "Segers",     "Vervoort",       "Cools",     "Van Acker"};

struct Municipality {
    const char* postcode;
    const char* name;
};
const std::vector<Municipality> Municipalities{
    {"9300", "Aalst"},        {"9000", "Gent"},        {"3000", "Leuven"},    {"8500", "Kortrijk"},
    {"8000", "Brugge"},       {"2000", "Antwerpen"},   {"3500", "Hasselt"},   {"2800", "Mechelen"},
    {"9100", "Sint-Niklaas"}, {"3600", "Genk"},        {"8800", "Roeselare"}, {"2300", "Turnhout"},
    {"8400", "Oostende"},     {"9200", "Dendermonde"}, {"3300", "Tienen"},    {"8900", "Ieper"},
    {"2500", "Lier"},         {"1800", "Vilvoorde"},   {"2440", "Geel"},      {"9160", "Lokeren"}};

struct DemoInstitution {
    const char* code;
    const char* name;
    const char* number;
    const char* regime;
    int municipality; // index into Municipalities
    int governingBody;
};
const std::vector<DemoInstitution> Institutions{
    {"SJCAA", "Sint-Jozefscollege Aalst", "035667", "SO", 0, 200},
    {"KAGNT", "Koninklijk Atheneum Gent", "030312", "SO", 1, 100},
    {"SLILE", "Sint-Lutgardisinstituut Leuven", "046789", "SO", 2, 200},
    {"TIKOR", "Technisch Instituut Kortrijk", "040501", "SO", 3, 300},
    {"CVOBR", "CVO Leerstroom Brugge", "126581", "OSP", 4, 200},
    {"CVOAN", "CVO Kompas Antwerpen", "125914", "OSP", 5, 300},
    {"VWOHA", "VWO Horizon Hasselt", "127001", "VWO", 6, 100},
    {"VWOME", "VWO De Brug Mechelen", "127115", "VWO", 7, 200}};

struct Direction {
    const char* code;
    const char* name;
    const char* structure;
};
const std::vector<Direction> Directions{{"LAT", "Latijn", "ASO"},
                                        {"WET", "Wetenschappen", "ASO"},
                                        {"ECO", "Economie", "ASO"},
                                        {"HUW", "Humane wetenschappen", "ASO"},
                                        {"ELM", "Elektromechanica", "TSO"},
                                        {"HAN", "Handel", "TSO"},
                                        {"IW", "Industriële wetenschappen", "TSO"},
                                        {"KAN", "Kantoor", "BSO"},
                                        {"VZ", "Verzorging", "BSO"},
                                        {"HOU", "Houtbewerking", "BSO"},
                                        {"BK", "Beeldende kunsten", "KSO"}};
// The directions each secondary school offers from the second grade on.
const std::vector<std::vector<int>> Offered{{0, 1, 2, 3}, {0, 1, 2, 5, 6}, {0, 1, 3, 10}, {4, 5, 6, 7, 8, 9}};

struct Subject {
    const char* code;
    const char* name;
    int classification; // parameter id; 299 is not in the list on purpose
};
const std::vector<Subject> Subjects{{"WISK", "Wiskunde", 201},
                                    {"NED", "Nederlands", 201},
                                    {"FRA", "Frans", 201},
                                    {"ENG", "Engels", 201},
                                    {"GES", "Geschiedenis", 201},
                                    {"AAR", "Aardrijkskunde", 201},
                                    {"BIO", "Biologie", 201},
                                    {"CHE", "Chemie", 201},
                                    {"FYS", "Fysica", 201},
                                    {"LAT", "Latijn", 201},
                                    {"ECO", "Economie", 201},
                                    {"GOD", "Godsdienst", 201},
                                    {"LO", "Lichamelijke opvoeding", 201},
                                    {"PLA", "Plastische opvoeding", 204},
                                    {"MUZ", "Muzikale opvoeding", 204},
                                    {"ELEK", "Elektriciteit", 202},
                                    {"MECH", "Mechanica", 202},
                                    {"HOUT", "Houtbewerking", 203},
                                    {"KANT", "Kantoortechnieken", 203},
                                    {"VERZ", "Verzorging", 203},
                                    {"PAV", "Project algemene vakken", 299}};

const std::vector<QString> StudyAreas{
    "Talen", "ICT", "Handel", "Bouw", "Welzijn", "Voeding", "Mode", "Lichaamsverzorging", "Algemene vorming"};
const std::vector<QString> StudyAreaCodes{"TAAL", "ICT",  "HAND", "BOUW", "WELZ",
                                          "VOED", "MODE", "LVZG", "ALGV"};
const std::vector<QString> OspCourses{"Engels richtgraad 1",
                                      "Spaans richtgraad 2",
                                      "Nederlands tweede taal",
                                      "Webontwikkeling",
                                      "Boekhouden",
                                      "Metselaar",
                                      "Zorgkundige",
                                      "Kok",
                                      "Patroontekenen",
                                      "Kapper",
                                      "Wiskunde tweedekansonderwijs"};
const std::vector<QString> TeachingLocations{
    "Lokaal 1.01", "Lokaal 1.02", "lokaal 1.01", "Campus Noord - lokaal 3",
    "Sporthal",    "Atelier A",   "Keuken",      "Computerklas 2"};

constexpr int FirstSubjectId = 1, OspGroupBase = 500, UnitBase = 1, TrainingBase = 1;
constexpr int ParamStudyArea = 100, ParamClassification = 200, ParamFinance = 300, ParamStructure = 400,
              ParamGeneric = 900;

class Generator {
public:
    Generator(server::Connection& connection, const DemoOptions& options)
        : c_{connection, static_cast<std::size_t>(std::max(1, options.batchRows))}, random_(options.seed),
          options_(options) {}

    DemoSummary run() {
        places();
        schoolYears();
        parameters();
        subjects();
        secondarySchools();
        staff();
        adultEducationLists();
        for (std::size_t i = 0; i < Institutions.size(); ++i)
            if (QString(Institutions[i].regime) == "OSP")
                ospCentre(static_cast<int>(i) + 1,
                          ospCentres_++ == 0 ? options_.adultEnrolments : options_.adultEnrolments / 2);
        vwoLists();
        for (std::size_t i = 0; i < Institutions.size(); ++i)
            if (QString(Institutions[i].regime) == "VWO")
                vwoCentre(static_cast<int>(i) + 1,
                          vwoCentres_++ == 0 ? options_.adultEnrolments / 2 : options_.adultEnrolments / 4);
        referencePeriods();
        cubes();
        persons_.flush();
        summary_.institutions = static_cast<int>(Institutions.size());
        return summary_;
    }

private:
    int year(int index) const { return options_.firstSchoolYear + index; }
    QDate yearStart(int index) const { return QDate(year(index), 9, 1); }
    QDate yearEnd(int index) const { return QDate(year(index) + 1, 6, 30); }
    bool lastYear(int index) const { return index == options_.schoolYears - 1; }

    int newPerson(bool male, int birthYear) {
        const int id = ++lastPerson_;
        persons_.add({I(id), S(random_.pick(Surnames)), S(random_.pick(male ? MaleNames : FemaleNames)),
                      S(male ? "M" : "V"),
                      D(QDate(birthYear, random_.between(1, 12), random_.between(1, 28))),
                      I(random_.chance(5) ? 0x40000 : 0)});
        return id;
    }

    void places() {
        TableWriter municipalities(c_, "GEMEENTE",
                                   {"GM_ID", "GM_POSTNUMMER", "GM_DEELGEMEENTE", "GM_HOOFDGEMEENTE"});
        for (std::size_t i = 0; i < Municipalities.size(); ++i)
            municipalities.add({I(static_cast<int>(i) + 1), S(Municipalities[i].postcode),
                                S(Municipalities[i].name), S(Municipalities[i].name)});
        municipalities.flush();
        TableWriter schools(c_, "SCHOOL",
                            {"SC_ID", "SC_INSTELLINGSNUMMER", "SC_NAAM", "SC_HOOFDSTRUCTUUR",
                             "SC_INRICHTENDEMACHT_FK", "SC_GEMEENTE_FK"});
        TableWriter institutions(
            c_, "INSTELLING",
            {"IS_ID", "IS_CODE", "IS_NAAMGEBRUIKER", "IS_SCHOOL_FK", "IS_FLAGS", "IS_REGIME"});
        for (std::size_t i = 0; i < Institutions.size(); ++i) {
            const DemoInstitution& institution = Institutions[i];
            const int id = static_cast<int>(i) + 1;
            schools.add({I(id), S(institution.number), S(institution.name), S(institution.regime),
                         I(institution.governingBody), I(institution.municipality + 1)});
            institutions.add(
                {I(id), S(institution.code), S(institution.name), I(id), I(0), S(institution.regime)});
        }
        schools.flush();
        institutions.flush();
    }

    void schoolYears() {
        TableWriter years(c_, "SCHOOLJAAR", {"SJ_ID", "SJ_CODE", "SJ_OMSCHRIJVING", "SJ_BEGIN", "SJ_EINDE"});
        for (int i = 0; i < options_.schoolYears; ++i)
            years.add({I(i + 1), I(year(i)), S(QStringLiteral("%1-%2").arg(year(i)).arg(year(i) + 1)),
                       D(yearStart(i)), D(QDate(year(i) + 1, 8, 31))});
        years.flush();
    }

    void parameters() {
        TableWriter params(c_, "PARAMETER", {"P_ID", "P_TYPE", "P_CODE", "P_OMSCHRIJVING", "P_EXTRA"});
        for (std::size_t i = 0; i < StudyAreas.size(); ++i)
            params.add({I(ParamStudyArea + static_cast<int>(i) + 1), S("STGB"), S(StudyAreaCodes[i]),
                        S(StudyAreas[i]), N()});
        const std::array<std::pair<const char*, const char*>, 4> classifications{{{"AV", "Algemene vakken"},
                                                                                  {"TV", "Technische vakken"},
                                                                                  {"PV", "Praktijkvakken"},
                                                                                  {"KV", "Kunstvakken"}}};
        for (std::size_t i = 0; i < classifications.size(); ++i)
            params.add({I(ParamClassification + static_cast<int>(i) + 1), S("OVRU"),
                        S(classifications[i].first), S(classifications[i].second), N()});
        params.add({I(ParamFinance + 1), S("FINA"), S("12"), S("Financierbaar"), N()});
        params.add({I(ParamFinance + 2), S("FINA"), S("13"), S("Niet financierbaar"), N()});
        params.add({I(ParamFinance + 3), S("FINA"), S("14"), S("Niet financierbaar (buitenland)"), N()});
        params.add({I(ParamStructure + 1), S("HSTR"), S("SO"), S("Secundair onderwijs"), N()});
        params.add({I(ParamStructure + 2), S("HSTR"), S("OSP"), S("Volwassenenonderwijs"), N()});
        params.add({I(ParamGeneric), S("GEN"), S("0"), S("Niet van toepassing"), N()});
        params.flush();
    }

    void subjects() {
        TableWriter subjects(c_, "OFFICIEELVAK",
                             {"OV_ID", "OV_CODE", "OV_OMSCHRIJVING", "OV_RUBRICERING_FKP"});
        for (std::size_t i = 0; i < Subjects.size(); ++i)
            subjects.add({I(FirstSubjectId + static_cast<int>(i)), S(Subjects[i].code), S(Subjects[i].name),
                          I(Subjects[i].classification)});
        subjects.flush();
    }

    // ------------------------------------------------------------------ secondary schools

    struct Pupil {
        int id;
        int leerjaar;
        int direction; // index into Directions; -1 in the first grade
    };

    /// The letter of the k-th parallel class; past the alphabet (only in grown schools) a number.
    static QString classLetter(int k, char16_t first) {
        return k < 26 ? QString(QChar(static_cast<char16_t>(first + k))) : QString::number(k + 1);
    }

    static QString ordinal(int leerjaar) {
        static const QStringList words{"Eerste", "Tweede", "Derde", "Vierde", "Vijfde", "Zesde"};
        return words.value(leerjaar - 1);
    }

    int admGroup(TableWriter& groups, int leerjaar, int direction) {
        const int key = leerjaar * 100 + direction + 1;
        if (const auto it = admGroups_.find(key); it != admGroups_.end())
            return it->second;
        const int id = static_cast<int>(admGroups_.size()) + 1;
        const QString code = direction < 0 ? QStringLiteral("1G%1").arg(leerjaar)
                                           : QStringLiteral("%1%2").arg(leerjaar).arg(
                                                 Directions[static_cast<std::size_t>(direction)].code);
        const QString name =
            direction < 0
                ? QStringLiteral("%1 leerjaar A-stroom").arg(ordinal(leerjaar))
                : QStringLiteral("%1 leerjaar %2 %3")
                      .arg(ordinal(leerjaar), Directions[static_cast<std::size_t>(direction)].structure,
                           Directions[static_cast<std::size_t>(direction)].name);
        groups.add({I(id), S(code), S(name), I(ParamStructure + 1), I(ParamGeneric), I(ParamGeneric),
                    D(QDate(2000, 9, 1)), D(QDate(2099, 8, 31)), I(ParamGeneric), I(ParamGeneric),
                    I(ParamGeneric), I(ParamGeneric), N()});
        admGroups_[key] = id;
        return id;
    }

    void secondarySchools() {
        TableWriter groups(c_, "ADMGROEP",
                           {"AG_ID", "AG_CODE", "AG_OMSCHRIJVING", "AG_HOOFDSTRUCTUUR_FKP", "AG_LEERJAAR_FKP",
                            "AG_GRAAD_FKP", "AG_GELDIGVAN", "AG_GELDIGTOT", "AG_ONDERWIJSVORM_FKP",
                            "AG_OPLEIDINGSVORM_FKP", "AG_AFDELING_FKP", "AG_LEERJAARINGRAAD_FKP",
                            "AG_STUDIEGEBIED_FKP"});
        for (int leerjaar = 1; leerjaar <= 6; ++leerjaar)
            for (int direction = leerjaar <= 2 ? -1 : 0;
                 direction < (leerjaar <= 2 ? 0 : static_cast<int>(Directions.size())); ++direction)
                admGroup(groups, leerjaar, direction);
        groups.flush();
        std::vector<std::vector<Pupil>> pupils(Offered.size());
        for (int y = 0; y < options_.schoolYears; ++y) {
            TableWriter packages(
                c_, "VAKKENPAKKET",
                {"VK_ID", "VK_INSTELLING_FK", "VK_SCHOOLJAAR_FK", "VK_CODE", "VK_OMSCHRIJVING"});
            TableWriter classes(c_, "KLAS",
                                {"KL_ID", "KL_INSTELLING_FK", "KL_SCHOOL_FK", "KL_SCHOOLJAAR_FK", "KL_CODE",
                                 "KL_OMSCHRIJVING"});
            std::vector<std::tuple<int, int, int, int, int>>
                enrolments; // pupil, school, class, package, group
            for (std::size_t s = 0; s < Offered.size(); ++s) {
                const int school = static_cast<int>(s) + 1;
                advance(pupils[s], Offered[s], y,
                        s == 0 && options_.largestSchoolPupils
                            ? std::optional<int>(*options_.largestSchoolPupils / 6)
                            : std::nullopt);
                std::map<std::pair<int, int>, std::vector<int>>
                    groupsOfPupils; // (leerjaar, direction) -> pupils
                for (std::size_t p = 0; p < pupils[s].size(); ++p)
                    groupsOfPupils[{pupils[s][p].leerjaar, pupils[s][p].direction}].push_back(
                        static_cast<int>(p));
                for (const auto& [key, members] : groupsOfPupils) {
                    const auto [leerjaar, direction] = key;
                    const int classCount = std::max(1, static_cast<int>(members.size()) / 22);
                    const int package = ++lastPackage_;
                    const QString directionCode = direction < 0
                                                      ? QStringLiteral("A")
                                                      : Directions[static_cast<std::size_t>(direction)].code;
                    packages.add(
                        {I(package), I(school), I(y + 1),
                         S(QStringLiteral("%1%2").arg(leerjaar).arg(directionCode)),
                         S(QStringLiteral("Pakket %1 leerjaar %2")
                               .arg(ordinal(leerjaar).toLower(),
                                    direction < 0 ? QStringLiteral("A-stroom")
                                                  : Directions[static_cast<std::size_t>(direction)].name))});
                    std::vector<int> classIds;
                    for (int k = 0; k < classCount; ++k) {
                        const int id = ++lastClass_;
                        classIds.push_back(id);
                        const QString code =
                            direction < 0 ? QStringLiteral("%1%2").arg(leerjaar).arg(classLetter(k, u'A'))
                                          : QStringLiteral("%1%2%3")
                                                .arg(leerjaar)
                                                .arg(directionCode)
                                                .arg(classCount > 1 ? classLetter(k, u'a') : QString());
                        classes.add(
                            {I(id), I(school), I(school), I(y + 1), S(code.left(10)),
                             S(QStringLiteral("%1 jaar %2")
                                   .arg(ordinal(leerjaar),
                                        direction < 0
                                            ? QStringLiteral("A-stroom")
                                            : Directions[static_cast<std::size_t>(direction)].name))});
                    }
                    const int group = admGroups_.at(leerjaar * 100 + direction + 1);
                    for (std::size_t m = 0; m < members.size(); ++m)
                        enrolments.emplace_back(pupils[s][static_cast<std::size_t>(members[m])].id, school,
                                                classIds[m % classIds.size()],
                                                random_.chance(3) ? 0 : package, group);
                }
            }
            persons_.flush();
            packages.flush();
            classes.flush();
            writeEnrolments(enrolments, pupils, y);
        }
    }

    /// Moves every pupil up a year (leavers and the sixth year go), and brings in new first-years.
    /// `perYear` (when not 0) fixes the pupils of a year instead of chance; the chance is drawn all
    /// the same, so that a database without grown schools stays row for row what it was.
    /// `perYear`: the pupils of each leerjaar, unset for the chance's number.
    void advance(std::vector<Pupil>& pupils, const std::vector<int>& offered, int y,
                 std::optional<int> perYear) {
        const auto pupilsOfAYear = [&](int low, int high) {
            const int drawn = random_.between(low, high); // drawn always, so that the rest stays the same
            return perYear ? *perYear : drawn;
        };
        if (y == 0) {
            for (int leerjaar = 2; leerjaar <= 6; ++leerjaar)
                addPupils(pupils, leerjaar, offered, y, pupilsOfAYear(70, 110));
        } else {
            std::vector<Pupil> staying;
            for (Pupil pupil : pupils) {
                if (pupil.leerjaar == 6 || random_.chance(4))
                    continue;
                ++pupil.leerjaar;
                if (pupil.leerjaar == 3)
                    pupil.direction = random_.pick(offered);
                staying.push_back(pupil);
            }
            pupils = std::move(staying);
        }
        addPupils(pupils, 1, offered, y, pupilsOfAYear(75, 115));
    }

    void addPupils(std::vector<Pupil>& pupils, int leerjaar, const std::vector<int>& offered, int y,
                   int count) {
        for (int i = 0; i < count; ++i) {
            const int id =
                newPerson(random_.chance(50), year(y) - 11 - leerjaar + (random_.chance(10) ? -1 : 0));
            pupils.push_back({id, leerjaar, leerjaar <= 2 ? -1 : random_.pick(offered)});
        }
    }

    void writeEnrolments(const std::vector<std::tuple<int, int, int, int, int>>& enrolments,
                         const std::vector<std::vector<Pupil>>& pupils, int y) {
        std::map<int, Pupil> byId;
        for (const auto& list : pupils)
            for (const Pupil& pupil : list)
                byId[pupil.id] = pupil;
        TableWriter careers(c_, "LOOPBAAN",
                            {"LB_ID", "LB_LEERLING_FK", "LB_INSTELLING_FK", "LB_KLAS_FK", "LB_ADMGROEP_FK",
                             "LB_VAKKENPAKKET_FK", "LB_GRAAD", "LB_LEERJAAR", "LB_HOOFDSTRUCTUUR",
                             "LB_ONDERWIJSVORM", "LB_BEGINDATUM", "LB_EINDDATUM"});
        for (const auto& [pupilId, school, klas, package, group] : enrolments) {
            const Pupil& pupil = byId.at(pupilId);
            const QString structure = pupil.direction < 0
                                          ? QStringLiteral("A")
                                          : Directions[static_cast<std::size_t>(pupil.direction)].structure;
            const QString form = pupil.direction < 0 ? QStringLiteral("A-stroom") : structure;
            QDate begin = yearStart(y);
            QDate end = lastYear(y) ? QDate() : yearEnd(y);
            if (random_.chance(5))
                begin = begin.addDays(random_.between(7, 100));
            if (random_.chance(4))
                end = yearStart(y).addDays(random_.between(40, 280));
            careers.add({I(++lastCareer_), I(pupilId), I(school), I(klas), I(group), OptI(package),
                         S(QString::number((pupil.leerjaar + 1) / 2)), S(QString::number(pupil.leerjaar)),
                         S(structure), S(form), D(begin), D(end)});
        }
        careers.flush();
        summary_.pupilEnrolments += careers.count();
    }

    // ------------------------------------------------------------------ staff

    void staff() {
        TableWriter people(c_, "PERSONEEL",
                           {"PS_ID", "PS_NAAM", "PS_VOORNAAM", "PS_GEBOORTEDATUM", "PS_GESLACHT"});
        TableWriter tasks(c_, "OPDRACHT",
                          {"OP_ID", "OP_INSTELLING_FK", "OP_PERSONEEL_FK", "OP_OFFICIEELVAK_FK", "OP_AMBT",
                           "OP_GRAAD", "OP_UREN", "OP_TBSOB", "OP_BEGINDATUM", "OP_EINDDATUM"});
        tasks.SendsAfter(people);
        int staffId = 0;
        int taskId = 0;
        for (std::size_t i = 0; i < Institutions.size(); ++i) {
            const int institution = static_cast<int>(i) + 1;
            const int drawn = random_.between(45, 70);
            const int size = i == 0 && options_.largestStaff ? *options_.largestStaff : drawn;
            for (int member = 0; member < size; ++member) {
                const bool male = random_.chance(38);
                people.add(
                    {I(++staffId), S(random_.pick(Surnames)), S(random_.pick(male ? MaleNames : FemaleNames)),
                     D(QDate(random_.between(1961, 2001), random_.between(1, 12), random_.between(1, 28))),
                     S(male ? "M" : "V")});
                const int firstYear = random_.chance(80) ? 0 : random_.between(1, 2);
                const int post = member == 0 ? 1 : (random_.chance(80) ? 6 : (random_.chance(60) ? 7 : 10));
                for (int y = firstYear; y < options_.schoolYears; ++y) {
                    const int assignments = post == 6 || post == 7 ? random_.between(1, 3) : 1;
                    for (int a = 0; a < assignments; ++a) {
                        const double hours = random_.between(4, 44) / 2.0;
                        const double tbsob = random_.chance(10) ? random_.between(1, 8) / 2.0 : 0.0;
                        tasks.add({I(++taskId), I(institution), I(staffId),
                                   I(FirstSubjectId + random_.below(static_cast<int>(Subjects.size()))),
                                   I(post), S(QString::number(random_.between(1, 3))), Dec(hours, 3),
                                   Dec(tbsob, 3), D(yearStart(y)), D(lastYear(y) ? QDate() : yearEnd(y))});
                    }
                }
            }
        }
        people.flush();
        tasks.flush();
        summary_.staffMembers = staffId;
    }

    // ------------------------------------------------------------------ adult education (OSP)

    void adultEducationLists() {
        TableWriter groups(c_, "ADMGROEP",
                           {"AG_ID", "AG_CODE", "AG_OMSCHRIJVING", "AG_HOOFDSTRUCTUUR_FKP", "AG_LEERJAAR_FKP",
                            "AG_GRAAD_FKP", "AG_GELDIGVAN", "AG_GELDIGTOT", "AG_ONDERWIJSVORM_FKP",
                            "AG_OPLEIDINGSVORM_FKP", "AG_AFDELING_FKP", "AG_LEERJAARINGRAAD_FKP",
                            "AG_STUDIEGEBIED_FKP"});
        TableWriter units(c_, "OFFEENHEID",
                          {"OE_ID", "OE_CODE", "OE_NAAM", "OE_ADMGROEP_FK", "OE_DEFAULTLESTIJDEN"});
        units.SendsAfter(groups);
        for (std::size_t i = 0; i < OspCourses.size(); ++i) {
            const int group = OspGroupBase + static_cast<int>(i) + 1;
            const int area = static_cast<int>(i % StudyAreas.size());
            groups.add({I(group), S(QStringLiteral("OSP%1").arg(i + 1, 2, 10, QChar(u'0'))),
                        S(i == 3 ? QString() : OspCourses[i]), I(ParamStructure + 2), I(ParamGeneric),
                        I(ParamGeneric), D(QDate(2010, 9, 1)), D(QDate(2099, 8, 31)), I(ParamGeneric),
                        I(ParamGeneric), I(ParamGeneric), I(ParamGeneric), I(ParamStudyArea + area + 1)});
            ospGroups_.push_back(group);
            for (int u = 0; u < 3; ++u) {
                const int unit = UnitBase + static_cast<int>(i) * 3 + u;
                units.add({I(unit), S(QStringLiteral("M%1%2").arg(i + 1, 2, 10, QChar(u'0')).arg(u + 1)),
                           S(QStringLiteral("%1 - module %2").arg(OspCourses[i]).arg(u + 1)), I(group),
                           I(random_.pick(std::vector<int>{40, 60, 80, 120}))});
                ospUnits_.push_back({unit, group});
            }
        }
        groups.flush();
        units.flush();
        TableWriter trainings(c_, "OFFOPLEIDING", {"OO_ID", "OO_CODE", "OO_OMSCHRIJVING"});
        for (std::size_t i = 0; i < OspCourses.size(); ++i)
            trainings.add({I(TrainingBase + static_cast<int>(i)),
                           S(QString::number(1800 + 17 * static_cast<int>(i))), S(OspCourses[i])});
        trainings.flush();
        TableWriter exemptions(c_, "OSPVRIJSTELLINGIG",
                               {"OVI_ID", "OVI_INSTELLING_FK", "OVI_CODE", "OVI_OMSCHRIJVING",
                                "OVI_BEDRAGCURSIST", "OVI_BEDRAGFONDS"});
        const std::vector<QString> reasons{"Leefloon", "Werkzoekende", "Gedetineerde", "Inburgeraar",
                                           "Persoon met een handicap"};
        for (std::size_t i = 0; i < reasons.size(); ++i)
            exemptions.add({I(static_cast<int>(i) + 1), N(),
                            S(QStringLiteral("%1").arg(i + 1, 2, 10, QChar(u'0'))), S(reasons[i]), Dec(0, 2),
                            Dec(1.5 * static_cast<double>(i + 1) * 10, 2)});
        for (std::size_t i = 0; i < Institutions.size(); ++i)
            if (QString(Institutions[i].regime) == "OSP")
                exemptions.add({I(10 + static_cast<int>(i)), I(static_cast<int>(i) + 1), S("10"),
                                S("Eigen vrijstelling centrum"), Dec(12.5, 2), Dec(37.5, 2)});
        exemptions.flush();
    }

    void ospCentre(int institution, int enrolmentsPerYear) {
        TableWriter branches(c_, "VESTIGINGSPLAATS", {"VP_ID", "VP_INSTELLING_FK", "VP_CODE", "VP_NAAM"});
        std::vector<int> branchIds;
        const std::vector<std::pair<QString, QString>> names{
            {"HFD", "Hoofdzetel"}, {"NRD", "Campus Noord"}, {"ZUI", ""}};
        for (const auto& [code, name] : names) {
            branchIds.push_back(++lastBranch_);
            branches.add({I(lastBranch_), I(institution), S(code), name.isEmpty() ? S(QString()) : S(name)});
        }
        branches.flush();
        TableWriter tracks(c_, "TRAJECT", {"TR_ID", "TR_CODE", "TR_OMSCHRIJVING"});
        std::vector<int> trackIds;
        for (std::size_t i = 0; i < OspCourses.size(); ++i) {
            trackIds.push_back(++lastTrack_);
            tracks.add({I(lastTrack_),
                        S(QStringLiteral("TR%1-%2").arg(institution).arg(i + 1, 3, 10, QChar(u'0'))),
                        S(OspCourses[i])});
        }
        tracks.flush();
        const int personPool = std::max(60, enrolmentsPerYear / 3);
        std::vector<int> participants;
        for (int p = 0; p < personPool; ++p)
            participants.push_back(newPerson(random_.chance(45), random_.between(1950, 2006)));
        persons_.flush();
        for (int y = 0; y < options_.schoolYears; ++y) {
            TableWriter classes(c_, "KLAS",
                                {"KL_ID", "KL_INSTELLING_FK", "KL_SCHOOL_FK", "KL_CODE", "KL_OMSCHRIJVING",
                                 "KL_TRAJECT_FK", "KL_VESTIGINGSPLAATS_FK", "KL_MATRIXLESPLAATS",
                                 "KL_BEGINDATUM", "KL_EINDDATUM"});
            struct OspClass {
                int id;
                int course;
                QDate begin;
                QDate end;
            };
            std::vector<OspClass> yearClasses;
            const int classCount = std::max(40, enrolmentsPerYear / 40);
            for (int k = 0; k < classCount; ++k) {
                const int course = random_.below(static_cast<int>(OspCourses.size()));
                const int half = random_.below(3);
                const QDate begin = half == 2 ? QDate(year(y) + 1, 2, 1) : yearStart(y);
                const QDate end = half == 1 ? QDate(year(y) + 1, 1, 31) : yearEnd(y);
                const int id = ++lastClass_;
                yearClasses.push_back({id, course, begin, end});
                classes.add({I(id), I(institution), I(institution),
                             S(QStringLiteral("%1-%2").arg(year(y) % 100).arg(k + 1, 4, 10, QChar(u'0'))),
                             S(k % 17 == 5 ? QString()
                                           : QStringLiteral("%1 groep %2")
                                                 .arg(OspCourses[static_cast<std::size_t>(course)])
                                                 .arg(k + 1)),
                             random_.chance(80) ? I(trackIds[static_cast<std::size_t>(course)]) : N(),
                             I(random_.pick(branchIds)),
                             S(random_.chance(5) ? QString() : random_.pick(TeachingLocations)), D(begin),
                             D(end)});
            }
            classes.flush();
            TableWriter curricula(
                c_, "CURRICULUM",
                {"CU_ID", "CU_LEERLING_FK", "CU_INSTELLING_FK", "CU_KLAS_FK", "CU_ADMGROEP_FK",
                 "CU_OFFEENHEID_FK", "CU_OFFOPLEIDING_FK", "CU_FINANCIERBAARHEID_FKP",
                 "CU_OSPVRIJSTELLINGIG_FK", "CU_AANVRAAGKREDIETUREN", "CU_LESTIJDEN", "CU_KLASHISTORIEK_FK",
                 "CU_INSCHRIJVING_FK", "CU_OPLEIDINGINSCHRIJVING_FK", "CU_BEGINDATUM", "CU_EINDDATUM"});
            // A participant registers for a few courses at once, so a person's enrolments lie together.
            std::size_t nextPerson = 0;
            for (int e = 0, left = 0, person = 0; e < enrolmentsPerYear; ++e, --left) {
                if (left == 0) {
                    person = participants[nextPerson++ % participants.size()];
                    left = random_.between(1, 5);
                }
                const OspClass& klas = random_.pick(yearClasses);
                const auto& [unit, group] = ospUnits_[static_cast<std::size_t>(klas.course) * 3 +
                                                      static_cast<std::size_t>(random_.below(3))];
                const int finance = random_.chance(85) ? 1 : (random_.chance(65) ? 2 : 3);
                const int exemption =
                    random_.chance(70) ? 0
                                       : (random_.chance(85) ? random_.between(1, 5) : 10 + institution - 1);
                ++lastCurriculum_;
                curricula.add({I(lastCurriculum_), I(person), I(institution), I(klas.id), I(group), I(unit),
                               I(TrainingBase + klas.course), I(ParamFinance + finance), OptI(exemption),
                               random_.chance(8) ? S("+") : N(),
                               I(random_.chance(30) ? 0 : random_.between(20, 120)),
                               random_.chance(20) ? I(lastCurriculum_) : N(), I(lastCurriculum_ / 3 + 1),
                               I(lastCurriculum_ / 2 + 1), D(klas.begin), D(klas.end)});
            }
            curricula.flush();
            summary_.ospEnrolments += curricula.count();
        }
        if (summary_.largestInstitutionId == 0)
            summary_.largestInstitutionId = institution;
    }

    // ------------------------------------------------------------------ adult education (VWO)

    void vwoLists() {
        TableWriter modules(c_, "VWOMODULE", {"VOM_ID", "VOM_CODE", "VOM_OMSCHRIJVING"});
        TableWriter variants(c_, "VWOMODULEVARIANT",
                             {"VMV_ID", "VMV_MODULE_FK", "VMV_CODE", "VMV_LESTIJDENORGANISATIE"});
        variants.SendsAfter(modules);
        const std::vector<QString> subjects{"Engels",     "Frans", "Spaans",    "Digitale vaardigheden",
                                            "Rekenen",    "Lezen", "Schrijven", "Maatschappijoriëntatie",
                                            "Nederlands", "Duits"};
        int variant = 0;
        for (std::size_t i = 0; i < subjects.size() * 2; ++i) {
            const int module = static_cast<int>(i) + 1;
            modules.add(
                {I(module), S(QStringLiteral("VM%1").arg(module, 3, 10, QChar(u'0'))),
                 S(QStringLiteral("%1 %2").arg(subjects[i % subjects.size()]).arg(i / subjects.size() + 1))});
            for (int v = 0; v < 2; ++v) {
                vwoVariants_.push_back(++variant);
                variants.add(
                    {I(variant), I(module),
                     S(QStringLiteral("VM%1-%2").arg(module, 3, 10, QChar(u'0')).arg(QChar(u'A' + v))),
                     I(random_.between(2, 12) * 10)});
            }
        }
        modules.flush();
        variants.flush();
        TableWriter offers(c_, "VWOAANBOD", {"VWA_ID", "VWA_CODE", "VWA_OMSCHRIJVING"});
        offers.add({I(1), S("DAG"), S("Dagaanbod")});
        offers.add({I(2), S("AVOND"), S("Avondaanbod")});
        offers.add({I(3), S("AFST"), S("Afstandsonderwijs")});
        offers.flush();
        TableWriter trainings(c_, "VWOOPLEIDING",
                              {"VO_ID", "VO_CODE", "VO_OMSCHRIJVING", "VO_GELDIGVAN", "VO_GELDIGTOT"});
        TableWriter trainingVariants(
            c_, "VWOOPLEIDINGSVARIANT",
            {"VOO_ID", "VOO_OPLEIDING_FK", "VOO_CODE", "VOO_OMSCHRIJVING", "VOO_GELDIGVAN", "VOO_GELDIGTOT"});
        trainingVariants.SendsAfter(trainings);
        for (int t = 1; t <= 8; ++t) {
            const QString& name = subjects[static_cast<std::size_t>(t - 1)];
            trainings.add({I(t), I(5000 + t * 10), S(QStringLiteral("Opleiding %1").arg(name)),
                           D(QDate(2015, 9, 1)), t == 8 ? D(QDate(year(0), 8, 31)) : N()});
            for (int v = 0; v < 2; ++v)
                trainingVariants.add({I(t * 10 + v), I(t), S(QStringLiteral("OV%1-%2").arg(t).arg(v + 1)),
                                      S(QStringLiteral("%1 (%2)").arg(name, v == 0 ? "dag" : "avond")),
                                      D(QDate(2015, 9, 1)), N()});
        }
        trainings.flush();
        trainingVariants.flush();
        TableWriter rates(c_, "VWOTARIEF",
                          {"VTA_ID", "VTA_INSTELLING_FK", "VTA_CODE", "VTA_NAAM", "VTA_BEDRAGVOORCURSISTEN",
                           "VTA_BEDRAGUITFONDS"});
        rates.add({I(1), N(), S("STD"), S("Standaardtarief"), Dec(1.5, 3), Dec(0, 3)});
        rates.add({I(2), N(), S("SOC"), S("Sociaal tarief"), Dec(0.75, 3), Dec(0.75, 3)});
        for (std::size_t i = 0; i < Institutions.size(); ++i)
            if (QString(Institutions[i].regime) == "VWO")
                rates.add({I(10 + static_cast<int>(i)), I(static_cast<int>(i) + 1), S("EIGEN"),
                           S("Eigen tarief centrum"), Dec(1.0, 3), Dec(0.5, 3)});
        rates.flush();
    }

    void vwoCentre(int institution, int enrolmentsPerYear) {
        TableWriter branches(c_, "VESTIGINGSPLAATS", {"VP_ID", "VP_INSTELLING_FK", "VP_CODE", "VP_NAAM"});
        std::vector<int> branchIds;
        for (const auto& [code, name] :
             std::vector<std::pair<QString, QString>>{{"HFD", "Hoofdzetel"}, {"OOS", "Antenne Oost"}}) {
            branchIds.push_back(++lastBranch_);
            branches.add({I(lastBranch_), I(institution), S(code), S(name)});
        }
        branches.flush();
        TableWriter places(c_, "VWOLESPLAATS", {"VLP_ID", "VLP_INSTELLING_FK", "VLP_OMSCHRIJVING"});
        std::vector<int> placeIds;
        for (const QString& place : {QStringLiteral("Lokaal B2"), QStringLiteral("Bibliotheek"),
                                     QStringLiteral("lokaal b2"), QStringLiteral("Wijkcentrum De Kring")}) {
            placeIds.push_back(++lastPlace_);
            places.add({I(lastPlace_), I(institution), S(place)});
        }
        places.flush();
        const int personPool = std::max(40, enrolmentsPerYear / 3);
        std::vector<int> participants;
        for (int p = 0; p < personPool; ++p)
            participants.push_back(newPerson(random_.chance(40), random_.between(1945, 2006)));
        persons_.flush();
        for (int y = 0; y < options_.schoolYears; ++y) {
            TableWriter classes(c_, "VWOKLAS",
                                {"VWK_ID", "VWK_INSTELLING_FK", "VWK_SCHOOL_FK", "VWK_CODE",
                                 "VWK_OMSCHRIJVING", "VWK_VESTIGINGSPLAATS_FK", "VWK_BEGINDATUM",
                                 "VWK_EINDDATUM"});
            TableWriter setUp(c_, "VWOINGMODULEVAR",
                              {"IMV_ID", "IMV_INSTELLING_FK", "IMV_MODULEVARIANT_FK", "IMV_KLAS_FK",
                               "IMV_LESPLAATS_FK", "IMV_AANBOD_FK", "IMV_BEGINDATUM", "IMV_EINDDATUM"});
            setUp.SendsAfter(classes);
            std::vector<std::pair<int, QDate>> setUpIds;
            const int classCount = std::max(20, enrolmentsPerYear / 60);
            for (int k = 0; k < classCount; ++k) {
                const int klas = ++lastVwoClass_;
                classes.add({I(klas), I(institution), I(institution),
                             S(QStringLiteral("VWO-%1-%2-%3")
                                   .arg(year(y))
                                   .arg(institution)
                                   .arg(k + 1, 3, 10, QChar(u'0'))),
                             S(QStringLiteral("Groep %1").arg(k + 1)), I(random_.pick(branchIds)),
                             D(yearStart(y)), D(lastYear(y) ? QDate() : yearEnd(y))});
                for (int m = random_.between(1, 3); m > 0; --m) {
                    setUpIds.emplace_back(++lastSetUp_, yearStart(y));
                    setUp.add({I(lastSetUp_), I(institution), I(random_.pick(vwoVariants_)), I(klas),
                               random_.chance(10) ? N() : I(random_.pick(placeIds)), I(random_.between(1, 3)),
                               D(yearStart(y)), D(yearEnd(y))});
                }
            }
            classes.flush();
            setUp.flush();
            TableWriter enrolments(c_, "VWOINSCHRIJVING",
                                   {"VL_ID", "VL_LEERLING_FK", "VL_INSTELLING_FK", "VL_INGMODULEVAR_FK",
                                    "VL_OPLEIDING_FK", "VL_OPLEIDINGSVARIANT_FK", "VL_VWOTARIEF_FK",
                                    "VL_FLAGS", "VL_FINANCIERBAARHEID", "VL_INSCHRIJVING_FK", "VL_VWI_FK",
                                    "VL_BEGINDATUM", "VL_EINDDATUM"});
            std::size_t nextPerson = 0;
            for (int e = 0, left = 0, person = 0; e < enrolmentsPerYear; ++e, --left) {
                if (left == 0) {
                    person = participants[nextPerson++ % participants.size()];
                    left = random_.between(1, 4);
                }
                const int training = random_.chance(5) ? 0 : random_.between(1, 7);
                const int rate = random_.chance(10)
                                     ? 0
                                     : (random_.chance(80) ? random_.between(1, 2) : 10 + institution - 1);
                ++lastVwoEnrolment_;
                enrolments.add({I(lastVwoEnrolment_), random_.chance(3) ? N() : I(person), I(institution),
                                I(random_.pick(setUpIds).first), OptI(training),
                                training == 0 ? N() : I(training * 10 + random_.below(2)), OptI(rate), I(0),
                                I(random_.chance(85) ? 8 : 3), I(lastVwoEnrolment_ / 2 + 1),
                                I(lastVwoEnrolment_), D(yearStart(y)),
                                D(lastYear(y) ? QDate() : yearEnd(y))});
            }
            enrolments.flush();
            summary_.vwoEnrolments += enrolments.count();
        }
    }

    void referencePeriods() {
        TableWriter periods(c_, "REFERTEPERIODE", {"OR_ID", "OR_OMSCHRIJVING", "OR_VAN", "OR_TOT"});
        int id = 0;
        for (int y = 0; y < options_.schoolYears; ++y) {
            const QString label = QStringLiteral("%1-%2").arg(year(y)).arg(year(y) + 1);
            periods.add({I(++id), S("Schooljaar " + label), D(yearStart(y)), D(QDate(year(y) + 1, 8, 31))});
            periods.add({I(++id), S("1e semester " + label), D(yearStart(y)), D(QDate(year(y) + 1, 1, 31))});
            periods.add({I(++id), S("2e semester " + label), D(QDate(year(y) + 1, 2, 1)), D(yearEnd(y))});
        }
        periods.flush();
    }

    void cubes() {
        const std::vector<TDemoStatistic> list = DemoStatistics();
        TableWriter queries(c_, "QUERY", {"Q_ID", "Q_SQL"});
        TableWriter olap(
            c_, "OLAP",
            {"L_ID", "L_CODE", "L_OMSCHRIJVING", "L_DEFINITIE", "L_FLAGS", "L_UITLEG", "L_QUERY_FK"});
        for (std::size_t i = 0; i < list.size(); ++i) {
            const int id = static_cast<int>(i) + 1;
            queries.add({I(id), S(list[i].sql)});
            olap.add({I(id), S(list[i].code), S(list[i].name), S(QString::fromUtf8(list[i].definition)),
                      I(list[i].kinds), S(list[i].explanation), I(id)});
        }
        queries.flush();
        olap.flush();
    }

    RowSink c_;
    Random random_;
    DemoOptions options_;
    DemoSummary summary_;
    TableWriter persons_{
        c_, "LEERLING", {"LL_ID", "LL_NAAM", "LL_VOORNAAM", "LL_GESLACHT", "LL_GEBOORTEDATUM", "LL_FLAGS"}};
    std::map<int, int> admGroups_;
    std::vector<int> ospGroups_;
    std::vector<std::pair<int, int>> ospUnits_; // unit, its administrative group
    std::vector<int> vwoVariants_;
    int lastPerson_ = 0, lastClass_ = 0, lastPackage_ = 0, lastCareer_ = 0, lastBranch_ = 0, lastTrack_ = 0;
    int lastCurriculum_ = 0, lastPlace_ = 0, lastVwoClass_ = 0, lastSetUp_ = 0, lastVwoEnrolment_ = 0;
    int ospCentres_ = 0, vwoCentres_ = 0;
};

} // namespace

DemoSummary GenerateDemoData(server::Connection& connection, const DemoOptions& options) {
    if (options.adultEnrolments < 0 || options.adultEnrolments > 2'000'000)
        RaiseDatabaseError(QStringLiteral("Het aantal inschrijvingen moet tussen 0 en 2000000 liggen"));
    if (options.schoolYears < 3 || options.schoolYears > 10)
        RaiseDatabaseError(QStringLiteral("Het aantal schooljaren moet tussen 3 en 10 liggen"));
    // Joins a transaction the caller has open, so that a whole replacement can be one.
    const bool own = !connection.inTransaction();
    if (own)
        connection.begin();
    try {
        const DemoSummary summary = Generator(connection, options).run();
        server::MarkComplete(connection);
        if (own)
            connection.commit();
        // Fresh statistics, so that the planner joins a million enrolments the right way at once.
        // Only our own tables: a database-wide ANALYZE warns about every table another role owns.
        for (const QString& table : server::SchemaTables(connection.dialect()))
            connection.executeScript(QStringLiteral("ANALYZE %1").arg(table));
        return summary;
    } catch (...) {
        if (own)
            connection.rollback();
        throw;
    }
}

} // namespace vorn::demo
