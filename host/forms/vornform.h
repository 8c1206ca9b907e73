#pragma once

#include "host/data/datasource.h"
#include "host/data/inifile.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

namespace vorn {

class TVornClientDataSet;
class IScreenResults;

/// A printable report of a screen: the name the user picks and the report file.
struct TReportDef {
    QString DisplayName;
    QString FileName;
    bool DefaultReport = false;
};

/// A link from a browse screen to a detail screen, which gets the browse list as its master.
struct TFormLink {
    QString DetailForm;  // class name of the detail screen
    QString DisplayName; // what the user sees
    TVornDatasource* MasterDS = nullptr;
    bool ReadOnly = false;
};

/// The host's plain screen: a widget that lives in a tab of the main window.
class TVornForm : public QWidget {
    Q_OBJECT
public:
    explicit TVornForm(QWidget* parent = nullptr);

    /// A new job id from the server, for temporary report rows.
    int GetJobID();
    /// Removes the temporary rows of a job; the text answered may be ignored.
    QString CleanJob(int jobKind, int jobId, const QVariant& extra);
};

/// The host's data screen. Screens set the declared properties in their constructor and bind the
/// events; the host raises them.
class TVornDBForm : public TVornForm {
    Q_OBJECT
public:
    explicit TVornDBForm(QWidget* parent = nullptr);

    // Declared properties.
    QString Caption;
    QString TabCaption;
    QString Group;
    QString DefaultBrowserForm;
    TVornDatasource* MainDataSource = nullptr;
    bool SaveOnPrint = true;
    bool ReportFields = false;
    bool PrintDirect = false; // print rather than preview
    /// Set by the host when it prints unattended into a PDF: where a screen that prints a report
    /// itself writes it instead of showing a dialog.
    QString PrintPdfFile;
    /// Unattended runs (the command line) may not show a dialog: a dialog that asks the user takes
    /// `PresetChoice` instead, or refuses with a message when it is -1.
    bool Unattended = false;
    int PresetChoice = -1;
    QSize DesignSize{640, 480};
    /// The control that has the focus when the screen is shown (the institution lookup of a
    /// statistics screen); null: Qt's first in the tab order.
    QWidget* InitialFocus = nullptr;
    std::vector<TReportDef> ReportDefs;
    std::vector<TFormLink> FormLinks;

    // Events.
    std::function<void(QObject* sender)> OnCreate;
    std::function<void(QObject* sender, QObject* masterDataSource)> OnSetMasterBrowser;
    std::function<void(QObject* sender, const QString& report, bool& continuePrinting)> OnBeforePrint;
    std::function<void(QObject* sender, const QString& report, QStringList& params)> OnGetPrintParams;
    std::function<void(QObject* sender, const QString& report, const QStringList& params)> AfterPrint;
    /// While it answers true, a print prints the screen's grids as they are shown (a trend, which no
    /// report file describes) instead of the report, without the print events.
    std::function<bool()> PrintsShownGrids;
    std::function<void(TVornIniFile& settings)> OnSaveSettings;
    std::function<void(TVornIniFile& settings)> OnRestoreSettings;
    std::function<void(TVornClientDataSet* dataSet, bool& allowed)> OnCanEdit;
    std::function<void(TVornClientDataSet* dataSet, bool& allowed)> OnCanInsert;
    std::function<void(TVornClientDataSet* dataSet, bool& allowed)> OnCanDelete;

    void SetMainDataSource(TVornDatasource* source) { MainDataSource = source; }
    /// The screen's inputs and results for exports, printing and the command line; null when it
    /// has none.
    virtual IScreenResults* Results() { return nullptr; }

    /// The screen's client datasets; after creation the host opens those with AutoOpen on.
    void RegisterDataSet(TVornClientDataSet* dataSet) { dataSets_.push_back(dataSet); }
    const std::vector<TVornClientDataSet*>& DataSets() const { return dataSets_; }
    /// The form link of that display name, or null.
    const TFormLink* FindLink(const QString& displayName) const;

    // Raised by the host, in this order for a new screen: created, attached, settings restored.
    void RaiseCreate();
    void RaiseSetMasterBrowser(QObject* masterDataSource);
    void RaiseRestoreSettings(TVornIniFile& settings);
    void RaiseSaveSettings(TVornIniFile& settings);
    /// Asks the screen whether the command may go on; without a handler it may.
    bool CanEdit(TVornClientDataSet* dataSet);
    bool CanInsert(TVornClientDataSet* dataSet);
    bool CanDelete(TVornClientDataSet* dataSet);

signals:
    /// The user asked to follow a form link (by its display name); the host opens the detail screen.
    void linkRequested(const QString& displayName);

private:
    std::vector<TVornClientDataSet*> dataSets_;
};

/// Starts a new screen as the host does, in this order: created, its auto-open datasets opened,
/// attached to the master data source (when given), its settings restored (when given).
void StartScreen(TVornDBForm& form, TVornDatasource* master, TVornIniFile* settings);

/// Sets a name=value entry of a print parameter list, replacing the value of a name already there.
void SetPrintParam(QStringList& params, const QString& name, const QString& value);
QString PrintParam(const QStringList& params, const QString& name);

} // namespace vorn
