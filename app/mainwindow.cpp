#include "mainwindow.h"

#include "databasesession.h"
#include "opendatabase.h"

#include "server/connection.h"
#include "server/migrations.h"

#include "host/controls/editors.h"
#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "host/data/inifile.h"
#include "host/data/installpaths.h"
#include "host/data/jobs.h"
#include "host/data/schoolyear.h"
#include "host/export/exportfiles.h"
#include "host/export/resultmenus.h"
#include "host/export/screenexport.h"
#include "host/export/workbookwriter.h"
#include "host/forms/formmanager.h"
#include "host/forms/outputcontext.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"
#include "host/reports/printdialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace vorn {

bool LoadQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Dutch, QLocale::Belgium), QStringLiteral("qt"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

MainWindow::MainWindow(IJobService* jobs, const QString& settingsFile)
    : jobs_(jobs), settingsFile_(settingsFile), tabs_(new QTabWidget(this)), status_(new QLabel(this)),
      werkDatumLabel_(new QLabel(this)), werkDatum_(DateToDateTime(OutputTime().date())) {
    setWindowTitle(QStringLiteral("Vorn"));
    tabs_->setDocumentMode(true);
    tabs_->setTabsClosable(true);
    tabs_->setMovable(true);
    setCentralWidget(tabs_);
    connect(tabs_, &QTabWidget::tabCloseRequested, this,
            [this](int index) { CloseForm(qobject_cast<TVornDBForm*>(tabs_->widget(index))); });
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        showStatus();
        updateEditActions();
    });
    statusBar()->addWidget(status_, 1);
    userLabel_ = new QLabel(this);
    statusBar()->addPermanentWidget(userLabel_);
    statusBar()->addPermanentWidget(werkDatumLabel_);
    SetHost(this);
    buildFixedMenus();
    showStatus();
    resize(1024, 720);
}

MainWindow::~MainWindow() {
    CloseAllForms();
    SetHost(nullptr);
}

void MainWindow::CloseAllForms() {
    for (TVornDBForm* form : OpenForms())
        CloseForm(form);
    for (TVornDBForm* form : kept_)
        delete form;
    kept_.clear();
    masterOf_.clear();
}

void MainWindow::buildFixedMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Bestand"));
    QAction* openDatabase = file->addAction(QStringLiteral("&Databank openen..."), QKeySequence::Open, this,
                                            [this] { RunGuarded([&] { ChooseDatabase(); }); });
    openDatabase->setObjectName(QStringLiteral("DatabankOpenen"));
    file->addAction(QStringLiteral("&Werkdatum..."), this, &MainWindow::chooseWerkDatum);
    file->addSeparator();
    file->addAction(QStringLiteral("&Afdrukken..."), QKeySequence::Print, this,
                    [this] { print(PrintTarget::Printer); });
    file->addAction(QStringLiteral("Afdruk&voorbeeld..."), this, [this] { print(PrintTarget::Preview); });
    file->addAction(QStringLiteral("Opslaan als &PDF..."), this, [this] { print(PrintTarget::Pdf); });
    file->addAction(QStringLiteral("&Exporteren..."), this, [this] { exportScreen(); });
    file->addSeparator();
    file->addAction(QStringLiteral("Tabblad &sluiten"), QKeySequence::Close, this, [this] {
        if (TVornDBForm* form = CurrentForm())
            CloseForm(form);
    });
    file->addAction(QStringLiteral("A&fsluiten"), QKeySequence::Quit, this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Be&werken"));
    editActions_ << edit->addAction(QStringLiteral("&Wijzigen"), QKeySequence(Qt::Key_F2), this,
                                    [this] { askEdit(0); })
                 << edit->addAction(QStringLiteral("&Toevoegen"), QKeySequence(Qt::Key_Insert), this,
                                    [this] { askEdit(1); })
                 << edit->addAction(QStringLiteral("&Verwijderen"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
                                    this, [this] { askEdit(2); });
    updateEditActions();
    // "Hel&p": H is the module's "&Hulpschermen".
    helpMenu_ = menuBar()->addMenu(QStringLiteral("Hel&p"));
    helpMenu_->addAction(QStringLiteral("&Handleiding"), QKeySequence::HelpContents, this,
                         &MainWindow::ShowGuide);
    helpMenu_->addAction(QStringLiteral("&Over Vorn"), this, &MainWindow::ShowAbout);
}

void MainWindow::BuildMenus() {
    for (QMenu* menu : moduleMenus_)
        menu->deleteLater();
    moduleMenus_.clear();
    QStringList seen;
    for (const TFormRegistration& registration : FormManager().Registrations()) {
        if (registration.MenuPath.isEmpty() || seen.contains(registration.MenuPath))
            continue;
        seen << registration.MenuPath;
        const QStringList levels = registration.MenuPath.split(u'|');
        QMenu* menu = nullptr;
        for (QMenu* existing : moduleMenus_)
            if (existing->property("vornTitle").toString() == levels.first())
                menu = existing;
        if (menu == nullptr)
            menu = addModuleMenu(levels.first());
        for (int level = 1; level + 1 < levels.size(); ++level) {
            QMenu* sub = menu->findChild<QMenu*>(levels[level], Qt::FindDirectChildrenOnly);
            if (sub == nullptr) {
                sub = menu->addMenu(levels[level]);
                sub->setObjectName(levels[level]);
            }
            menu = sub;
        }
        const QString className = registration.ClassName;
        menu->addAction(levels.last(), this,
                        [this, className] { RunGuarded([&] { OpenFromMenu(className); }); });
    }
    buildOverviewMenu();
}

/// A menu title with a mnemonic: its first letter that no other menu of the bar uses yet.
QMenu* MainWindow::addModuleMenu(const QString& title) {
    QString taken;
    for (QAction* action : menuBar()->actions()) {
        const QString existing = action->text();
        const qsizetype mark = existing.indexOf(u'&');
        if (mark >= 0 && mark + 1 < existing.size())
            taken += existing[mark + 1].toLower();
    }
    QString marked = title;
    for (qsizetype i = 0; i < title.size() && !title.contains(u'&'); ++i)
        if (title[i].isLetter() && !taken.contains(title[i].toLower())) {
            marked.insert(i, u'&');
            break;
        }
    auto* menu = new QMenu(marked, menuBar());
    menuBar()->insertMenu(helpMenu_->menuAction(), menu);
    menu->setProperty("vornTitle", QString(title).remove(u'&'));
    moduleMenus_.push_back(menu);
    return menu;
}

/// The overviews (screens registered without a menu path) under "Overzichten", by their caption.
void MainWindow::buildOverviewMenu() {
    QMenu* menu = nullptr;
    for (const TFormRegistration& registration : FormManager().Registrations()) {
        if (!registration.MenuPath.isEmpty() || FormManager().FindClass(registration.ClassName) == nullptr)
            continue;
        std::unique_ptr<TVornDBForm> probe(FormManager().CreateForm(registration.ClassName));
        const QString caption = probe->TabCaption.isEmpty() ? probe->Caption : probe->TabCaption;
        probe.reset();
        if (menu == nullptr)
            menu = addModuleMenu(QStringLiteral("Over&zichten")); // Alt+O is the screens' "&Ophalen"
        const QString className = registration.ClassName;
        menu->addAction(caption, this, [this, className] { RunGuarded([&] { OpenFromMenu(className); }); });
    }
}

TVornDBForm* MainWindow::OpenFirstScreen(const QString& className) {
    if (!className.isEmpty()) {
        if (FormManager().FindClass(className) == nullptr)
            RaiseClientError("Onbekend scherm %s (vorn --list-forms toont de schermen)", className);
        return OpenFromMenu(className);
    }
    for (const TFormRegistration& registration : FormManager().Registrations())
        if (registration.MenuPath.isEmpty() && FormManager().FindClass(registration.ClassName) != nullptr)
            return OpenFromMenu(registration.ClassName);
    return nullptr;
}

TVornDBForm* MainWindow::findOpen(const QString& className) const {
    for (TVornDBForm* form : OpenForms())
        if (form->property("vornClass").toString() == className)
            return form;
    return nullptr;
}

TVornDBForm* MainWindow::formAt(int index) const {
    auto* scroll = qobject_cast<QScrollArea*>(tabs_->widget(index));
    return scroll != nullptr ? qobject_cast<TVornDBForm*>(scroll->widget()) : nullptr;
}

QList<TVornDBForm*> MainWindow::OpenForms() const {
    QList<TVornDBForm*> forms;
    for (int i = 0; i < tabs_->count(); ++i)
        if (TVornDBForm* form = formAt(i))
            forms << form;
    return forms;
}

TVornDBForm* MainWindow::CurrentForm() const {
    return formAt(tabs_->currentIndex());
}

std::unique_ptr<TVornIniFile> MainWindow::settingsFor(const TVornDBForm& form) const {
    return std::make_unique<TVornIniFile>(settingsFile_, form.property("vornClass").toString() + u'.');
}

TVornDBForm* MainWindow::OpenForm(const QString& className, TVornDatasource* master) {
    BusyScope busy(QStringLiteral("Openen van %1").arg(className));
    std::unique_ptr<TVornDBForm> form(FormManager().CreateForm(className));
    form->setProperty("vornClass", className);
    StartScreen(*form, master, settingsFor(*form).get());
    TVornDBForm* shown = form.release();
    for (QObject* owner = master; owner != nullptr; owner = owner->parent())
        if (auto* browse = qobject_cast<TVornDBForm*>(owner)) {
            masterOf_[shown] = browse;
            break;
        }
    showForm(shown);
    return shown;
}

void MainWindow::showForm(TVornDBForm* form) {
    connect(form, &TVornDBForm::linkRequested, this,
            [this, form](const QString& link) { RunGuarded([&] { FollowLink(*form, link); }); });
    // The screen never gets less than its declared size: a smaller window scrolls it.
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    form->setMinimumSize(form->DesignSize);
    scroll->setWidget(form);
    const int index = tabs_->addTab(scroll, form->TabCaption.isEmpty() ? form->Caption : form->TabCaption);
    tabs_->setTabToolTip(index, form->Caption);
    tabs_->setCurrentIndex(index);
    // The screen's declared size is where it starts: the window grows to give it that much room.
    const QSize chrome = size() - tabs_->currentWidget()->size();
    const QSize wanted = form->DesignSize + chrome.expandedTo(QSize(0, 0));
    if (!isMaximized() && (width() < wanted.width() || height() < wanted.height()))
        resize(size().expandedTo(wanted));
    AttachResultMenus(*form);
    if (form->InitialFocus != nullptr)
        form->InitialFocus->setFocus(Qt::OtherFocusReason);
    updateEditActions();
}

TVornDBForm* MainWindow::OpenFromMenu(const QString& className) {
    std::unique_ptr<TVornDBForm> probe(FormManager().CreateForm(className));
    const QString browser = probe->DefaultBrowserForm;
    probe.reset();
    TVornDatasource* master = nullptr;
    if (!browser.isEmpty()) {
        TVornDBForm* browse = findOpen(browser);
        if (browse == nullptr)
            browse = OpenForm(browser, nullptr);
        master = browse->MainDataSource;
    }
    return OpenForm(className, master);
}

TVornDBForm* MainWindow::FollowLink(TVornDBForm& browse, const QString& linkName) {
    const TFormLink* link = browse.FindLink(linkName);
    if (link == nullptr)
        RaiseClientError("Het scherm %s heeft geen koppeling \"%s\"", browse.Caption, linkName);
    TVornDBForm* detail = OpenForm(link->DetailForm, link->MasterDS);
    chooseMasterInstitution(*detail, link->MasterDS);
    return detail;
}

void MainWindow::chooseMasterInstitution(TVornDBForm& detail, TVornDatasource* master) {
    IScreenResults* results = detail.Results();
    TVornClientDataSet* list = master != nullptr ? master->DataSet() : nullptr;
    if (results == nullptr || list == nullptr || !list->Active() || list->RecordCount() == 0)
        return;
    const TField* code = list->FindField(QStringLiteral("IS_CODE"));
    if (code == nullptr)
        return;
    TScreenRequest request;
    request.institutionCode = code->AsString();
    RunGuarded([&] { results->SetRequest(request); });
}

void MainWindow::CloseForm(TVornDBForm* form) {
    if (form == nullptr)
        return;
    RunGuarded([&] {
        auto settings = settingsFor(*form);
        form->RaiseSaveSettings(*settings);
        settings->UpdateFile();
    });
    for (int i = 0; i < tabs_->count(); ++i)
        if (formAt(i) == form) {
            QWidget* scroll = tabs_->widget(i);
            tabs_->removeTab(i);
            form->setParent(nullptr);
            scroll->deleteLater();
            break;
        }
    release(form);
}

void MainWindow::release(TVornDBForm* form) {
    const bool isMaster = std::any_of(masterOf_.begin(), masterOf_.end(),
                                      [form](const auto& entry) { return entry.second == form; });
    if (isMaster) {
        form->hide();
        form->setParent(this, Qt::Widget);
        form->hide();
        kept_.push_back(form);
        return;
    }
    const auto found = masterOf_.find(form);
    QPointer<TVornDBForm> master = found != masterOf_.end() ? found->second : nullptr;
    masterOf_.erase(form);
    delete form;
    // A kept browse screen goes with the last screen that listed its rows.
    if (master != nullptr && std::find(kept_.begin(), kept_.end(), master.data()) != kept_.end()) {
        kept_.erase(std::find(kept_.begin(), kept_.end(), master.data()));
        release(master);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    for (TVornDBForm* form : OpenForms())
        CloseForm(form);
    event->accept();
}

void MainWindow::SetWerkDatum(TDateTime date) {
    werkDatum_ = DateOf(date);
    showStatus();
}

/// The work date decides the school year of the cube statistics and the screens' default dates: it
/// is typed as on the screens, a date that is not one keeps the dialog open, and the dialog shows
/// the school year the date falls in.
void MainWindow::chooseWerkDatum() {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Werkdatum"));
    auto* edit = new TVornDateEdit(&dialog, false, true);
    edit->setObjectName(QStringLiteral("Werkdatum"));
    edit->SetDate(werkDatum_);
    auto* schoolYear = new QLabel(&dialog);
    schoolYear->setObjectName(QStringLiteral("Schooljaar"));
    const auto showSchoolYear = [edit, schoolYear] {
        const int year = GetSchooljaarFrom(edit->Date());
        schoolYear->setText(QStringLiteral("Schooljaar %1-%2").arg(year).arg(year + 1));
    };
    showSchoolYear();
    connect(edit, &TVornDateEdit::changed, &dialog, showSchoolYear);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog, edit] {
        // Leaving the edit for the button took or refused what was typed; a refusal is read first.
        if (!edit->Editor()->LastTypingRefused())
            dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QFormLayout(&dialog);
    auto* label = new QLabel(QStringLiteral("&Werkdatum:"), &dialog);
    label->setBuddy(edit->Editor());
    layout->addRow(label, edit);
    layout->addRow(QString(), schoolYear);
    layout->addRow(buttons);
    edit->Editor()->setFocus(Qt::ShortcutFocusReason); // the whole date selected: typing replaces it
    if (dialog.exec() == QDialog::Accepted)
        SetWerkDatum(edit->Date());
}

/// The report to print: the only one, or the user's choice with the default report chosen first.
std::optional<QString> MainWindow::chooseReport(const TVornDBForm& form, const QString& title) {
    QStringList names;
    int preferred = 0;
    for (const TReportDef& report : form.ReportDefs) {
        if (report.DefaultReport)
            preferred = static_cast<int>(names.size());
        names << report.DisplayName;
    }
    if (names.size() == 1)
        return names.first();
    bool chosen = false;
    const QString report =
        QInputDialog::getItem(this, title, QStringLiteral("&Rapport:"), names, preferred, false, &chosen);
    if (!chosen)
        return std::nullopt;
    return report;
}

void MainWindow::print(PrintTarget target) {
    TVornDBForm* form = CurrentForm();
    if (form == nullptr || form->ReportDefs.empty()) {
        statusBar()->showMessage(QStringLiteral("Dit scherm heeft geen afdrukken."), 4000);
        return;
    }
    static const QString titles[] = {QStringLiteral("Afdrukken"), QStringLiteral("Afdrukvoorbeeld"),
                                     QStringLiteral("Opslaan als PDF")};
    const QString title = titles[static_cast<int>(target)];
    const std::optional<QString> report = chooseReport(*form, title);
    if (!report)
        return;
    QString pdfPath;
    if (target == PrintTarget::Pdf) {
        pdfPath = QFileDialog::getSaveFileName(
            this, title, QDir::home().filePath(FileNameOf(*report) + QStringLiteral(".pdf")),
            QStringLiteral("PDF-bestanden (*.pdf)"));
        if (pdfPath.isEmpty())
            return;
    }
    RunGuarded([&] {
        form->PrintDirect = target != PrintTarget::Preview;
        TVornIniFile settings(settingsFile_, QString());
        std::unique_ptr<IReportOutput> output;
        if (target == PrintTarget::Pdf)
            output = std::make_unique<TPdfReportOutput>(pdfPath, &settings);
        else
            output = std::make_unique<TPrinterReportOutput>(target == PrintTarget::Printer
                                                                ? TPrinterReportOutput::Mode::Print
                                                                : TPrinterReportOutput::Mode::Preview,
                                                            this, &settings);
        const bool done = RunPrint(*form, *report, *output);
        settings.UpdateFile();
        if (done && target == PrintTarget::Pdf)
            statusBar()->showMessage(QStringLiteral("Bewaard als %1").arg(QDir::toNativeSeparators(pdfPath)),
                                     6000);
    });
}

/// The whole screen, every grid and chart, to one workbook or to a folder as `vorn export` writes it.
void MainWindow::exportScreen() {
    TVornDBForm* form = CurrentForm();
    IScreenResults* results = form != nullptr ? form->Results() : nullptr;
    if (results == nullptr || results->Tables().empty()) {
        statusBar()->showMessage(QStringLiteral("Dit scherm heeft (nog) geen cijfers om uit te voeren."),
                                 4000);
        return;
    }
    const QStringList choices{QStringLiteral("Naar één Excel-werkmap"),
                              QStringLiteral("Naar een map (CSV-bestanden en grafieken)")};
    bool chosen = false;
    const QString choice = QInputDialog::getItem(this, QStringLiteral("Exporteren"),
                                                 QStringLiteral("&Waarheen:"), choices, 0, false, &chosen);
    if (!chosen)
        return;
    if (choice == choices.first()) {
        QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Exporteren naar Excel"),
                                                    WorkbookFileName(*results),
                                                    QStringLiteral("Excel-werkmap (*.xlsx)"));
        if (path.isEmpty())
            return;
        if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
            path += QStringLiteral(".xlsx");
        RunGuarded([&] {
            BusyScope busy(QStringLiteral("Exporteren naar %1").arg(path));
            WriteWorkbook(*results, path);
            statusBar()->showMessage(QStringLiteral("Uitgevoerd naar %1").arg(path), 6000);
        });
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Exporteren naar een map"));
    if (folder.isEmpty())
        return;
    RunGuarded([&] {
        BusyScope busy(QStringLiteral("Exporteren naar %1").arg(folder));
        ExportToFolder(*results, folder, ExportFormat::All);
        statusBar()->showMessage(QStringLiteral("Uitgevoerd naar %1").arg(folder), 6000);
    });
}

/// Edit, insert and delete are offered only where the current screen allows them.
void MainWindow::updateEditActions() {
    TVornDBForm* form = CurrentForm();
    TVornClientDataSet* dataSet =
        form != nullptr && form->MainDataSource != nullptr ? form->MainDataSource->DataSet() : nullptr;
    if (editActions_.size() != 3)
        return;
    editActions_[0]->setEnabled(form != nullptr && form->CanEdit(dataSet));
    editActions_[1]->setEnabled(form != nullptr && form->CanInsert(dataSet));
    editActions_[2]->setEnabled(form != nullptr && form->CanDelete(dataSet));
}

void MainWindow::askEdit(int command) {
    TVornDBForm* form = CurrentForm();
    if (form == nullptr)
        return;
    TVornClientDataSet* dataSet = form->MainDataSource != nullptr ? form->MainDataSource->DataSet() : nullptr;
    const bool allowed = command == 0   ? form->CanEdit(dataSet)
                         : command == 1 ? form->CanInsert(dataSet)
                                        : form->CanDelete(dataSet);
    statusBar()->showMessage(allowed ? QStringLiteral("Dit scherm heeft geen bewerkingsfiche.")
                                     : QStringLiteral("Dit scherm kan niet bewerkt worden."),
                             4000);
}

void MainWindow::showStatus() {
    status_->setText(statusStack_.isEmpty() ? QString() : statusStack_.last());
    werkDatumLabel_->setText(QStringLiteral("Werkdatum: %1")
                                 .arg(QLocale().toString(DateTimeToDate(werkDatum_), QLocale::ShortFormat)));
}

void MainWindow::PushStatus(const QString& text) {
    statusStack_ << text;
    showStatus();
    // Long work follows on this thread: the text must be on the screen before it starts.
    status_->repaint();
}

void MainWindow::PopStatus() {
    if (!statusStack_.isEmpty())
        statusStack_.removeLast();
    showStatus();
}

void MainWindow::PushCursor(Qt::CursorShape cursor) {
    ++cursorDepth_;
    QApplication::setOverrideCursor(QCursor(cursor));
}

void MainWindow::PopCursor() {
    if (cursorDepth_ == 0)
        return;
    --cursorDepth_;
    QApplication::restoreOverrideCursor();
}

int MainWindow::GetJobID() {
    if (jobs_ == nullptr)
        RaiseClientError("Geen verbinding met de databank: er kan geen afdrukjob gemaakt worden");
    return jobs_->newJobId();
}

QString MainWindow::CleanJob(int jobKind, int jobId, const QVariant& extra) {
    return jobs_ == nullptr ? QString() : jobs_->cleanJob(jobKind, jobId, extra);
}

} // namespace vorn

namespace vorn {

void MainWindow::AttachSession(TDatabaseSession* session) {
    session_ = session;
    jobs_ = session != nullptr ? session->Broker() : nullptr;
    showDatabase();
}

void MainWindow::showDatabase() {
    const bool open = session_ != nullptr && session_->IsOpen();
    setWindowTitle(open ? QStringLiteral("Vorn \u2013 %1").arg(session_->Title()) : QStringLiteral("Vorn"));
    userLabel_->setText(open && !session_->UserName().isEmpty()
                            ? QStringLiteral("Gebruiker: %1").arg(session_->UserName())
                            : QString());
    userLabel_->setVisible(!userLabel_->text().isEmpty());
}

void MainWindow::ChooseDatabase() {
    if (session_ == nullptr)
        RaiseClientError("Hier kan geen andere databank geopend worden");
    std::optional<TChosenDatabase> chosen = AskDatabase(this, settingsFile_, {}, std::nullopt);
    if (!chosen)
        return;
    // The screens read the old database through its broker: they go before it does.
    CloseAllForms();
    session_->Install(std::move(chosen->opened), chosen->choice.Title());
    jobs_ = session_->Broker();
    showDatabase();
    if (const QString upgraded = server::UpgradeMessage(session_->Upgrade()); !upgraded.isEmpty())
        QMessageBox::information(this, QStringLiteral("Vorn"), upgraded);
    if (!session_->AccessMessage().isEmpty())
        QMessageBox::information(this, QStringLiteral("Vorn"), session_->AccessMessage());
    OpenFirstScreen({});
}

namespace {

QImage PictureOf(const QVariant& resource) {
    if (resource.typeId() == QMetaType::QByteArray)
        return QImage::fromData(resource.toByteArray());
    if (resource.typeId() == QMetaType::QPixmap)
        return resource.value<QPixmap>().toImage();
    return resource.value<QImage>();
}

/// Pictures wider than `width` are shown at that width (keeping their shape), so that a picture of
/// the whole window is read without scrolling sideways.
void FitPicturesToWidth(QTextDocument& document, int width) {
    std::vector<std::pair<int, QTextImageFormat>> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                pictures.emplace_back(it.fragment().position(), it.fragment().charFormat().toImageFormat());
    for (auto& [position, image] : pictures) {
        const QImage picture = PictureOf(document.resource(QTextDocument::ImageResource, QUrl(image.name())));
        if (picture.isNull() || picture.width() <= width)
            continue;
        image.setWidth(width);
        image.setHeight(static_cast<qreal>(picture.height()) * width / picture.width());
        QTextCursor cursor(&document);
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(image);
    }
}

} // namespace

void MainWindow::ShowGuide() {
    const QString folder = QDir(ProgramDataFolder()).filePath(QStringLiteral("handleiding"));
    const QString guide = QDir(folder).filePath(QStringLiteral("handleiding.md"));
    if (ProgramDataFolder().isEmpty() || !QFileInfo(guide).isReadable()) {
        QMessageBox::warning(
            this, QStringLiteral("Handleiding"),
            QStringLiteral("De handleiding is niet gevonden (%1). Ze hoort bij de installatie "
                           "van Vorn; installeer het pakket opnieuw.")
                .arg(QDir::toNativeSeparators(guide)));
        return;
    }
    auto* dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Handleiding \u2013 Vorn"));
    auto* browser = new QTextBrowser(dialog);
    browser->setObjectName(QStringLiteral("Handleiding"));
    browser->setOpenExternalLinks(true);
    browser->setSearchPaths({folder});
    browser->setSource(QUrl::fromLocalFile(guide), QTextDocument::MarkdownResource);
    FitPicturesToWidth(*browser->document(), 760);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    dialog->resize(820, 680);
    dialog->show();
}

QString MainWindow::AboutText() const {
    QStringList modules;
    for (const TFormRegistration& registration : FormManager().Registrations())
        if (!modules.contains(registration.Module))
            modules << registration.Module;
    const QString database =
        session_ != nullptr && session_->IsOpen()
            ? QStringLiteral("%1 (%2)").arg(session_->Title().toHtmlEscaped(),
                                            session_->Connection()->dialect() == server::Dialect::SQLite
                                                ? QStringLiteral("SQLite")
                                                : QStringLiteral("PostgreSQL"))
            : QStringLiteral("geen");
    QStringList libraries;
    for (const QString& library :
         QStringList{QStringLiteral("Qt %1 (LGPL 3)").arg(QString::fromLatin1(qVersion()))} +
             server::DatabaseLibraries() + QStringList{WorkbookLibrary()})
        libraries << library.toHtmlEscaped();
    return QStringLiteral("<h3>Vorn %1</h3>"
                          "<p>Statistieken van leerlingen, personeel en cursisten.</p>"
                          "<p>Databank: %2<br>Gebruiker: %3<br>Schemaversie: %4<br>Modules: %5</p>"
                          "<p>Gebruikte bibliotheken:<br>%6</p>")
        .arg(ProgramVersion(), database,
             session_ != nullptr ? session_->UserName().toHtmlEscaped() : QString(),
             QString::number(server::CurrentSchemaVersion()),
             modules.isEmpty() ? QStringLiteral("geen") : modules.join(QStringLiteral(", ")).toHtmlEscaped(),
             libraries.join(QStringLiteral("<br>")));
}

void MainWindow::ShowAbout() {
    QMessageBox::about(this, QStringLiteral("Over Vorn"), AboutText());
}

} // namespace vorn
