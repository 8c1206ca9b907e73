#pragma once

#include "connectionchoice.h"

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

namespace vorn {

/// "Databank openen": an SQLite file (or a new demo database) or a PostgreSQL server, chosen from
/// the recent list or filled in. "Verbinding testen" tries it and says in Dutch what failed; "Openen"
/// closes the dialog only when the database was opened. The password is asked each time (empty: from
/// ~/.pgpass or the service) and never kept.
class TConnectDialog : public QDialog {
    Q_OBJECT
public:
    /// Tries a choice with a password; answers what went wrong, empty when it went well.
    using Attempt = std::function<QString(const TConnectionChoice& choice, const QString& password)>;
    /// What "Verbinding testen" found: whether the database can be opened, and what to tell.
    struct TestResult {
        bool ok = false;
        QString message;
    };
    using Tester = std::function<TestResult(const TConnectionChoice& choice, const QString& password)>;

    TConnectDialog(std::vector<TConnectionChoice> recent, QWidget* parent = nullptr);

    /// How "Verbinding testen" tries and how "Openen" opens; both must be given.
    void SetTester(Tester tester) { tester_ = std::move(tester); }
    void SetOpener(Attempt opener) { opener_ = std::move(opener); }
    /// Makes a demo database in the file; answers what went wrong, empty when it went well.
    void SetDemoMaker(std::function<QString(const QString& file)> maker) { demoMaker_ = std::move(maker); }

    void SetChoice(const TConnectionChoice& choice);
    TConnectionChoice Choice() const;
    QString Password() const;
    /// A line above the choice: why the dialog is shown (first start, a database that failed).
    void SetIntro(const QString& text);
    /// The message line under the choice.
    QString Message() const;

    void accept() override;

private:
    void buildSqlitePage(QWidget* page);
    void buildServerPage(QWidget* page);
    QWidget* reportServerRow();
    void chooseRecent(int index);
    void showKind();
    void updateCaFile();
    void showMessage(const QString& text, bool good);
    /// The choice when nothing is missing (with `underWay` shown), else nothing (with what is missing).
    std::optional<TConnectionChoice> readyChoice(const QString& underWay);
    void testConnection();
    void makeDemo();
    void browseFile();
    void browseCaFile();

    std::vector<TConnectionChoice> recent_;
    Tester tester_;
    Attempt opener_;
    std::function<QString(const QString&)> demoMaker_;

    QLabel* intro_;
    QComboBox* recentBox_;
    QRadioButton* sqliteButton_;
    QRadioButton* serverButton_;
    QStackedWidget* pages_;
    QLineEdit* file_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* database_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* service_;
    QComboBox* sslMode_;
    QLineEdit* caFile_;
    QPushButton* caBrowse_;
    QLineEdit* reportHost_;
    QSpinBox* reportPort_;
    QLabel* message_;
};

} // namespace vorn
