#include "vornform.h"

#include "hostservices.h"

#include "host/data/clientdataset.h"

namespace vorn {

TVornForm::TVornForm(QWidget* parent) : QWidget(parent) {}

int TVornForm::GetJobID() {
    return Host().GetJobID();
}

QString TVornForm::CleanJob(int jobKind, int jobId, const QVariant& extra) {
    return Host().CleanJob(jobKind, jobId, extra);
}

TVornDBForm::TVornDBForm(QWidget* parent) : TVornForm(parent) {}

void TVornDBForm::RaiseCreate() {
    if (OnCreate)
        OnCreate(this);
}

void TVornDBForm::RaiseSetMasterBrowser(QObject* masterDataSource) {
    if (OnSetMasterBrowser)
        OnSetMasterBrowser(this, masterDataSource);
}

void TVornDBForm::RaiseRestoreSettings(TVornIniFile& settings) {
    if (OnRestoreSettings)
        OnRestoreSettings(settings);
}

void TVornDBForm::RaiseSaveSettings(TVornIniFile& settings) {
    if (OnSaveSettings)
        OnSaveSettings(settings);
}

namespace {
bool ask(const std::function<void(TVornClientDataSet*, bool&)>& handler, TVornClientDataSet* dataSet) {
    bool allowed = true;
    if (handler)
        handler(dataSet, allowed);
    return allowed;
}
} // namespace

bool TVornDBForm::CanEdit(TVornClientDataSet* dataSet) {
    return ask(OnCanEdit, dataSet);
}
bool TVornDBForm::CanInsert(TVornClientDataSet* dataSet) {
    return ask(OnCanInsert, dataSet);
}
bool TVornDBForm::CanDelete(TVornClientDataSet* dataSet) {
    return ask(OnCanDelete, dataSet);
}

const TFormLink* TVornDBForm::FindLink(const QString& displayName) const {
    for (const TFormLink& link : FormLinks)
        if (link.DisplayName == displayName)
            return &link;
    return nullptr;
}

void SetPrintParam(QStringList& params, const QString& name, const QString& value) {
    const QString prefix = name + u'=';
    for (QString& entry : params)
        if (entry.startsWith(prefix, Qt::CaseInsensitive)) {
            entry = prefix + value;
            return;
        }
    params << prefix + value;
}

QString PrintParam(const QStringList& params, const QString& name) {
    const QString prefix = name + u'=';
    for (const QString& entry : params)
        if (entry.startsWith(prefix, Qt::CaseInsensitive))
            return entry.mid(prefix.size());
    return {};
}

} // namespace vorn

namespace vorn {

void StartScreen(TVornDBForm& form, TVornDatasource* master, TVornIniFile* settings) {
    form.RaiseCreate();
    for (TVornClientDataSet* dataSet : form.DataSets())
        if (dataSet->AutoOpen)
            dataSet->Open();
    if (master != nullptr)
        form.RaiseSetMasterBrowser(master);
    if (settings != nullptr)
        form.RaiseRestoreSettings(*settings);
}

} // namespace vorn
