#include "export.h"

#include "mainwindow.h"

#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/data/clientdataset.h"
#include "host/data/csv.h"
#include "host/data/errors.h"
#include "host/forms/formmanager.h"
#include "host/forms/vornform.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <functional>

namespace vorn {

namespace {

void idle() {
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
}

/// A file name from a page caption: the accelerator mark goes, path separators become dashes.
QString fileNameOf(const QString& caption) {
    QString name = caption;
    name.remove(u'&');
    name.replace(u'/', u'-');
    return name.trimmed();
}

void writeText(const QString& path, const std::function<void(QTextStream&)>& write) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        RaiseClientError("Kon %s niet schrijven", path);
    QTextStream out(&file);
    write(out);
}

qint64 institutionId(TVornDBForm& screen, const QString& code) {
    TVornDatasource* master = nullptr;
    if (auto* lookup = screen.findChild<TVornLookupEdit*>(QStringLiteral("LEinstelling")))
        master = lookup->ListSource();
    TVornClientDataSet* list = master != nullptr ? master->DataSet() : nullptr;
    if (list == nullptr || !list->Active())
        RaiseClientError("Het scherm heeft geen lijst van instellingen");
    for (int row = 0; row < list->RecordCount(); ++row) {
        list->SetRecNo(row + 1);
        if (list->FieldByName(QStringLiteral("IS_CODE")).AsString().compare(code, Qt::CaseInsensitive) == 0)
            return list->FieldByName(QStringLiteral("IS_ID")).AsLargeInt();
    }
    RaiseClientError("Instelling %s niet gevonden", code);
}

void setDate(TVornDBForm& screen, const QString& name, TDateTime value, const QString& option) {
    auto* edit = screen.findChild<TVornDateEdit*>(name);
    if (edit == nullptr)
        RaiseClientError("Dit scherm kent geen %s", option);
    edit->SetDate(value);
}

void fillIn(TVornDBForm& screen, const ExportRequest& request) {
    auto* lookup = screen.findChild<TVornLookupEdit*>(QStringLiteral("LEinstelling"));
    if (lookup == nullptr)
        RaiseClientError("Scherm %s kan niet uitgevoerd worden", request.screenClass);
    lookup->SetLookupID(institutionId(screen, request.institutionCode));
    if (IsDateSet(request.date))
        setDate(screen, QStringLiteral("DEDate"), request.date, QStringLiteral("--date"));
    if (IsDateSet(request.from))
        setDate(screen, QStringLiteral("EVanafDatum"), request.from, QStringLiteral("--from"));
    if (IsDateSet(request.to))
        setDate(screen, QStringLiteral("ETotDatum"), request.to, QStringLiteral("--to"));
    if (request.scale != 0) {
        auto* scale = screen.findChild<TVornSpinEdit*>(QStringLiteral("SEScale"));
        if (scale == nullptr)
            RaiseClientError("Dit scherm kent geen --scale");
        if (request.scale < scale->minimum() || request.scale > scale->maximum())
            RaiseClientError("--scale moet tussen %d en %d liggen", scale->minimum(), scale->maximum());
        scale->setValue(request.scale);
    }
    if (request.figure >= 0) {
        auto* figure = screen.findChild<TVornComboBox*>(QStringLiteral("CBStatType"));
        if (figure == nullptr)
            RaiseClientError("Dit scherm kent geen --figure");
        if (request.figure >= figure->count())
            RaiseClientError("--figure moet tussen 0 en %d liggen", figure->count() - 1);
        figure->SetItemIndex(request.figure);
    }
}

void fetch(TVornDBForm& screen, QStringList& errors) {
    idle();
    TVornButton* button = nullptr;
    for (TVornButton* candidate : screen.findChildren<TVornButton*>())
        if (candidate->Action() != nullptr && candidate->Action()->text() == QStringLiteral("&Ophalen"))
            button = candidate;
    if (button == nullptr || !button->isEnabled())
        RaiseClientError("Ophalen is niet mogelijk: kies een instelling en een datum of periode");
    errors.clear();
    button->click();
    if (!errors.isEmpty())
        RaiseClientError("%s", errors.join(u'\n'));
}

void writeGrids(TVornDBForm& screen, const QDir& folder) {
    auto* pages = screen.findChild<TVornPageControl*>(QStringLiteral("PCGrids"));
    if (pages == nullptr)
        return;
    folder.mkpath(QStringLiteral("grids"));
    for (int page = 0; page < pages->count(); ++page) {
        auto* grid = qobject_cast<TVornDBgrid*>(pages->widget(page));
        if (grid == nullptr)
            grid = pages->widget(page)->findChild<TVornDBgrid*>();
        TVornDatasource* source = grid != nullptr ? grid->GetActiveDBView()->DataSource() : nullptr;
        TVornClientDataSet* dataSet = source != nullptr ? source->DataSet() : nullptr;
        if (dataSet == nullptr || !dataSet->Active())
            continue;
        writeText(folder.filePath(QStringLiteral("grids/%1.csv").arg(fileNameOf(pages->tabText(page)))),
                  [dataSet](QTextStream& out) { WriteCsv(*dataSet, out); });
    }
}

void writeCharts(TVornDBForm& screen, const QDir& folder) {
    auto* pages = screen.findChild<TVornPageControl*>(QStringLiteral("PCStats"));
    if (pages == nullptr)
        return;
    folder.mkpath(QStringLiteral("charts"));
    for (int page = 0; page < pages->count(); ++page) {
        auto* chart = pages->widget(page)->findChild<TBarChart*>();
        if (chart == nullptr)
            continue;
        const QString base =
            folder.filePath(QStringLiteral("charts/%1").arg(fileNameOf(pages->tabText(page))));
        chart->resize(std::max(chart->width(), 700), chart->Height());
        if (!chart->ToImage().save(base + QStringLiteral(".png"), "PNG"))
            RaiseClientError("Kon %s.png niet schrijven", base);
        writeText(base + QStringLiteral(".csv"), [chart](QTextStream& out) {
            out << "label,value\n";
            for (int bar = 0; bar < chart->BarCount(); ++bar)
                out << CsvField(chart->Bars(bar).label) << ',' << chart->Bars(bar).value << '\n';
        });
    }
}

void writeTotals(TVornDBForm& screen, const QDir& folder) {
    auto* totals = screen.findChild<QLabel*>(QStringLiteral("PTotalen"));
    if (totals == nullptr)
        return;
    writeText(folder.filePath(QStringLiteral("totals.txt")),
              [totals](QTextStream& out) { out << totals->text() << '\n'; });
}

} // namespace

TDateTime ParseExportDate(const QString& option, const QString& text) {
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        RaiseClientError("%s verwacht een datum JJJJ-MM-DD, niet '%s'", option, text);
    return DateToDateTime(date);
}

void RunExport(MainWindow& window, const ExportRequest& request, QTextStream& report) {
    if (FormManager().FindClass(request.screenClass) == nullptr)
        RaiseClientError("Onbekend scherm %s (vorn --list-forms toont de schermen)", request.screenClass);
    if (IsDateSet(request.from) && IsDateSet(request.to) && request.from > request.to)
        RaiseClientError("--from ligt na --to");
    QStringList errors;
    SetErrorReporter([&errors](const QString& message) { errors << message; });
    TVornDBForm* screen = window.OpenFromMenu(request.screenClass);
    fillIn(*screen, request);
    fetch(*screen, errors);
    const QDir folder(request.outputFolder);
    if (!folder.mkpath(QStringLiteral(".")))
        RaiseClientError("Kon de map %s niet maken", request.outputFolder);
    writeGrids(*screen, folder);
    writeCharts(*screen, folder);
    writeTotals(*screen, folder);
    report << "Uitgevoerd naar " << QDir(request.outputFolder).absolutePath() << '\n';
}

} // namespace vorn
