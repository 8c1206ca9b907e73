#include "connectdialog.h"

#include "server/connection.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace vorn {

namespace {

/// A line edit with a "Bladeren..." button beside it, as one row of a form.
QWidget* WithBrowseButton(QLineEdit* edit, QPushButton* button) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(button);
    return row;
}

/// A wait cursor for as long as the scope lasts.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TConnectDialog::TConnectDialog(std::vector<TConnectionChoice> recent, QWidget* parent)
    : QDialog(parent), recent_(std::move(recent)), intro_(new QLabel(this)), recentBox_(new QComboBox(this)),
      sqliteButton_(new QRadioButton(QStringLiteral("&SQLite-bestand op deze computer"), this)),
      serverButton_(new QRadioButton(QStringLiteral("&PostgreSQL-server"), this)),
      pages_(new QStackedWidget(this)), file_(new QLineEdit(this)), host_(new QLineEdit(this)),
      port_(new QSpinBox(this)), database_(new QLineEdit(this)), user_(new QLineEdit(this)),
      password_(new QLineEdit(this)), service_(new QLineEdit(this)), sslMode_(new QComboBox(this)),
      caFile_(new QLineEdit(this)), caBrowse_(new QPushButton(QStringLiteral("Bla&deren..."), this)),
      reportHost_(new QLineEdit(this)), reportPort_(new QSpinBox(this)), message_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Databank openen"));
    intro_->setWordWrap(true);
    intro_->hide();
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    recentBox_->addItem(QStringLiteral("(kies een recente verbinding)"));
    for (const TConnectionChoice& choice : recent_)
        recentBox_->addItem(
            choice.kind == TConnectionChoice::Kind::SQLite
                ? QStringLiteral("%1  (%2)").arg(choice.Title(), QDir::toNativeSeparators(choice.file))
                : QStringLiteral("%1  (PostgreSQL, %2)").arg(choice.Title(), choice.user));
    recentBox_->setEnabled(!recent_.empty());
    connect(recentBox_, &QComboBox::activated, this, &TConnectDialog::chooseRecent);

    auto* sqlitePage = new QWidget(this);
    buildSqlitePage(sqlitePage);
    auto* serverPage = new QWidget(this);
    buildServerPage(serverPage);
    pages_->addWidget(sqlitePage);
    pages_->addWidget(serverPage);
    sqliteButton_->setChecked(true);
    connect(sqliteButton_, &QRadioButton::toggled, this, &TConnectDialog::showKind);

    auto* kinds = new QHBoxLayout;
    kinds->addWidget(sqliteButton_);
    kinds->addWidget(serverButton_);
    kinds->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    auto* test = buttons->addButton(QStringLiteral("Verbinding &testen"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("&Openen"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Annuleren"), QDialogButtonBox::RejectRole);
    connect(test, &QPushButton::clicked, this, &TConnectDialog::testConnection);
    connect(buttons, &QDialogButtonBox::accepted, this, &TConnectDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* recentLabel = new QLabel(QStringLiteral("&Recente verbindingen:"), this);
    recentLabel->setBuddy(recentBox_);
    auto* recentRow = new QHBoxLayout;
    recentRow->addWidget(recentLabel);
    recentRow->addWidget(recentBox_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro_);
    layout->addLayout(recentRow);
    layout->addLayout(kinds);
    layout->addWidget(pages_);
    layout->addWidget(message_);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setMinimumWidth(560);
    showKind();
}

void TConnectDialog::buildSqlitePage(QWidget* page) {
    auto* browse = new QPushButton(QStringLiteral("&Bladeren..."), page);
    connect(browse, &QPushButton::clicked, this, &TConnectDialog::browseFile);
    auto* demo = new QPushButton(QStringLiteral("&Nieuwe demodatabank maken"), page);
    connect(demo, &QPushButton::clicked, this, &TConnectDialog::makeDemo);
    auto* note =
        new QLabel(QStringLiteral("Een bestand is voor één gebruiker. Voor meerdere gebruikers, of voor "
                                  "persoonsgegevens op een gedeelde computer, kies de PostgreSQL-server."),
                   page);
    note->setWordWrap(true);
    auto* form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("&Bestand:"), WithBrowseButton(file_, browse));
    form->addRow(QString(), demo);
    form->addRow(note);
}

void TConnectDialog::buildServerPage(QWidget* page) {
    port_->setRange(1, 65535);
    port_->setValue(5432);
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(QStringLiteral("leeg: uit ~/.pgpass of de dienst"));
    service_->setPlaceholderText(QStringLiteral("naam uit pg_service.conf (niet verplicht)"));
    sslMode_->addItems(SslModes());
    sslMode_->setCurrentText(QStringLiteral("prefer"));
    connect(sslMode_, &QComboBox::currentTextChanged, this, &TConnectDialog::updateCaFile);
    connect(caBrowse_, &QPushButton::clicked, this, &TConnectDialog::browseCaFile);
    auto* form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Ser&ver:"), host_);
    form->addRow(QStringLiteral("Poo&rt:"), port_);
    form->addRow(QStringLiteral("&Databank:"), database_);
    form->addRow(QStringLiteral("&Gebruiker:"), user_);
    form->addRow(QStringLiteral("&Wachtwoord:"), password_);
    form->addRow(QStringLiteral("D&ienst:"), service_);
    form->addRow(QStringLiteral("T&LS-modus:"), sslMode_);
    form->addRow(QStringLiteral("&CA-bestand:"), WithBrowseButton(caFile_, caBrowse_));
    form->addRow(QStringLiteral("R&apportserver:"), reportServerRow());
    updateCaFile();
}

/// A hot standby for the reads, beside its port: optional, and said so in the field itself.
QWidget* TConnectDialog::reportServerRow() {
    reportPort_->setRange(1, 65535);
    reportPort_->setValue(5432);
    reportPort_->setAccessibleName(QStringLiteral("Poort van de rapportserver"));
    reportHost_->setPlaceholderText(
        QStringLiteral("standby voor statistieken en rapporten (niet verplicht)"));
    reportHost_->setToolTip(QStringLiteral(
        "Een hot standby van de server. Statistieken, kubussen en rapporten lezen daar; "
        "afdrukken schrijven en lezen hun rijen op de server zelf. Leeg: alles op de server."));
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(reportHost_, 1);
    layout->addWidget(new QLabel(QStringLiteral("poort"), row));
    layout->addWidget(reportPort_);
    row->setFocusProxy(reportHost_); // the label's shortcut goes to the server's name
    return row;
}

void TConnectDialog::SetChoice(const TConnectionChoice& choice) {
    const bool sqlite = choice.kind == TConnectionChoice::Kind::SQLite;
    (sqlite ? sqliteButton_ : serverButton_)->setChecked(true);
    file_->setText(sqlite ? QDir::toNativeSeparators(choice.file) : QString());
    host_->setText(choice.host);
    port_->setValue(choice.port);
    database_->setText(choice.database);
    user_->setText(choice.user);
    service_->setText(choice.service);
    sslMode_->setCurrentText(choice.sslMode);
    caFile_->setText(choice.caFile);
    reportHost_->setText(choice.reportHost);
    reportPort_->setValue(choice.reportPort);
    password_->clear();
    showKind();
    (sqlite ? file_ : password_)->setFocus();
}

TConnectionChoice TConnectDialog::Choice() const {
    TConnectionChoice choice;
    if (sqliteButton_->isChecked()) {
        choice.file = QDir::fromNativeSeparators(file_->text().trimmed());
        return choice;
    }
    choice.kind = TConnectionChoice::Kind::PostgreSQL;
    choice.host = host_->text().trimmed();
    choice.port = port_->value();
    choice.database = database_->text().trimmed();
    choice.user = user_->text().trimmed();
    choice.service = service_->text().trimmed();
    choice.sslMode = sslMode_->currentText();
    choice.caFile = caFile_->text().trimmed();
    choice.reportHost = reportHost_->text().trimmed();
    choice.reportPort = reportPort_->value();
    return choice;
}

QString TConnectDialog::Password() const {
    return serverButton_->isChecked() ? password_->text() : QString();
}

void TConnectDialog::SetIntro(const QString& text) {
    intro_->setText(text);
    intro_->setVisible(!text.isEmpty());
}

QString TConnectDialog::Message() const {
    return message_->text();
}

void TConnectDialog::chooseRecent(int index) {
    if (index >= 1 && index <= static_cast<int>(recent_.size()))
        SetChoice(recent_[static_cast<std::size_t>(index - 1)]);
}

void TConnectDialog::showKind() {
    pages_->setCurrentIndex(sqliteButton_->isChecked() ? 0 : 1);
    message_->clear();
}

void TConnectDialog::updateCaFile() {
    const bool verifies = sslMode_->currentText().startsWith(QStringLiteral("verify"));
    caFile_->setEnabled(verifies);
    caBrowse_->setEnabled(verifies);
}

void TConnectDialog::showMessage(const QString& text, bool good) {
    message_->setStyleSheet(good ? QStringLiteral("color: #1b5e20") : QStringLiteral("color: #b71c1c"));
    message_->setText(text);
    // A wrapped message of several lines needs more height than the dialog was given.
    layout()->activate();
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height())
        resize(width(), needed);
}

std::optional<TConnectionChoice> TConnectDialog::readyChoice(const QString& underWay) {
    const TConnectionChoice choice = Choice();
    if (const QString problem = choice.Problem(); !problem.isEmpty()) {
        showMessage(problem, false);
        return std::nullopt;
    }
    showMessage(underWay, true);
    message_->repaint();
    return choice;
}

void TConnectDialog::testConnection() {
    const std::optional<TConnectionChoice> choice = readyChoice(QStringLiteral("Verbinding wordt getest..."));
    if (!choice)
        return;
    const WaitCursor wait;
    const TestResult result = tester_ ? tester_(*choice, Password()) : TestResult{};
    showMessage(result.message, result.ok);
}

void TConnectDialog::accept() {
    const std::optional<TConnectionChoice> choice =
        readyChoice(QStringLiteral("De databank wordt geopend..."));
    if (!choice)
        return;
    QString failure;
    {
        const WaitCursor wait;
        failure = opener_ ? opener_(*choice, Password()) : QString();
    }
    if (!failure.isEmpty()) {
        showMessage(failure, false);
        return;
    }
    QDialog::accept();
}

void TConnectDialog::makeDemo() {
    QString file = QDir::fromNativeSeparators(file_->text().trimmed());
    if (file.isEmpty()) {
        file = server::ConnectionSettings::defaultSqliteFile();
        file_->setText(QDir::toNativeSeparators(file));
    }
    if (QFileInfo::exists(file)) {
        showMessage(
            QStringLiteral("'%1' bestaat al: kies een nieuwe bestandsnaam voor de demodatabank, of open dit "
                           "bestand.")
                .arg(QDir::toNativeSeparators(file)),
            false);
        return;
    }
    showMessage(QStringLiteral("De demodatabank wordt gemaakt..."), true);
    message_->repaint();
    QString failure;
    {
        const WaitCursor wait;
        failure = demoMaker_ ? demoMaker_(file) : QStringLiteral("Demodatabanken maken kan hier niet.");
    }
    showMessage(failure.isEmpty() ? QStringLiteral("De demodatabank is gemaakt; kies Openen.") : failure,
                failure.isEmpty());
}

void TConnectDialog::browseFile() {
    const QString start = file_->text().isEmpty()
                              ? QFileInfo(server::ConnectionSettings::defaultSqliteFile()).path()
                              : file_->text();
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("Databankbestand kiezen"), start,
                                     QStringLiteral("SQLite-databanken (*.db *.sqlite *.sqlite3);;"
                                                    "Alle bestanden (*)"));
    if (!file.isEmpty())
        file_->setText(QDir::toNativeSeparators(file));
}

void TConnectDialog::browseCaFile() {
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("CA-bestand kiezen"), caFile_->text(),
                                     QStringLiteral("Certificaten (*.crt *.pem);;Alle bestanden (*)"));
    if (!file.isEmpty())
        caFile_->setText(file);
}

} // namespace vorn
