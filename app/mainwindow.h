#pragma once

#include "host/forms/hostservices.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QTabWidget;

namespace vorn {

class TVornDBForm;
class TVornDatasource;
class TVornIniFile;
class IJobService;
class TDatabaseSession;

/// Qt's own texts (dialog buttons, edit menus) in Dutch, from Debian's Qt translations; answers
/// whether they were found.
bool LoadQtTranslations();

/// The client's main window: menus built from the registered screens, one tab per open screen,
/// the status line and cursor stacks, the work date, and the print and edit commands.
class MainWindow : public QMainWindow, public IHostServices {
    Q_OBJECT
public:
    /// `jobs` may be null (no database): job ids are then refused with a message.
    MainWindow(IJobService* jobs, const QString& settingsFile);
    ~MainWindow() override;

    /// Rebuilds the menus from the form manager's registrations.
    void BuildMenus();
    /// The screen the client starts with: `className`, or the first overview when it is empty.
    /// Raises when no loaded module has that class.
    TVornDBForm* OpenFirstScreen(const QString& className);
    /// Opens a registered screen as from its menu: with its default browse screen as master.
    TVornDBForm* OpenFromMenu(const QString& className);
    /// Opens a screen of that class with the given master data source (null: none).
    TVornDBForm* OpenForm(const QString& className, TVornDatasource* master);
    /// Follows a form link of a browse screen.
    TVornDBForm* FollowLink(TVornDBForm& browse, const QString& linkName);
    TVornDBForm* CurrentForm() const;
    QList<TVornDBForm*> OpenForms() const;
    void CloseForm(TVornDBForm* form);
    void SetWerkDatum(TDateTime date);
    /// The database the window works on: its name in the title, its user in the status line, and
    /// "Databank openen..." to open another (which closes the open screens first).
    void AttachSession(TDatabaseSession* session);
    /// Opens another database: the dialog, then the open screens closed and the new one shown.
    void ChooseDatabase();
    /// Closes every screen, also the overviews kept for an open screen.
    void CloseAllForms();
    /// The user guide (F1) and the program's version, database and libraries.
    void ShowGuide();
    void ShowAbout();
    /// What "Over Vorn" says, as HTML.
    QString AboutText() const;
    const QString& SettingsFile() const { return settingsFile_; }

    // IHostServices
    TDateTime WerkDatum() const override { return werkDatum_; }
    void PushStatus(const QString& text) override;
    void PopStatus() override;
    void PushCursor(Qt::CursorShape cursor) override;
    void PopCursor() override;
    int GetJobID() override;
    QString CleanJob(int jobKind, int jobId, const QVariant& extra) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFixedMenus();
    void buildOverviewMenu();
    QMenu* addModuleMenu(const QString& title);
    TVornDBForm* findOpen(const QString& className) const;
    void showForm(TVornDBForm* form);
    std::unique_ptr<TVornIniFile> settingsFor(const TVornDBForm& form) const;
    enum class PrintTarget { Printer, Preview, Pdf };
    void print(PrintTarget target);
    std::optional<QString> chooseReport(const TVornDBForm& form, const QString& title);
    void askEdit(int command);
    void exportScreen();
    void updateEditActions();
    /// The screen shown on a tab (each sits in a scroll area that scrolls when the window is smaller
    /// than the screen's declared size).
    TVornDBForm* formAt(int index) const;
    /// Deletes a screen, or keeps it hidden while a screen it is master of is still open.
    void release(TVornDBForm* form);
    /// Chooses the institution of the browse screen's current row in a screen opened from it.
    void chooseMasterInstitution(TVornDBForm& detail, TVornDatasource* master);
    void chooseWerkDatum();
    void showStatus();
    void showDatabase();

    IJobService* jobs_;
    TDatabaseSession* session_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QLabel* userLabel_ = nullptr;
    QString settingsFile_;
    QTabWidget* tabs_;
    QLabel* status_;
    QLabel* werkDatumLabel_;
    QStringList statusStack_;
    int cursorDepth_ = 0;
    TDateTime werkDatum_;
    std::vector<QMenu*> moduleMenus_;
    QList<QAction*> editActions_;
    /// Each open screen's master browse screen; a closed browse screen is kept, hidden, while a
    /// screen still lists its rows.
    std::map<TVornDBForm*, QPointer<TVornDBForm>> masterOf_;
    std::vector<TVornDBForm*> kept_;
};

} // namespace vorn
