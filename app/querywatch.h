#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QMainWindow;
class QPushButton;
class QWidget;

/// Offers to stop a long query. Once a query has run for a moment, the status line shows that it
/// runs and a button "&Annuleren" (Escape does the same), while the rest of the window takes no
/// input, so nothing else can ask the database anything meanwhile. The connection tells it when a
/// query starts and ends (Running) and asks it now and then whether to stop (StopRequested), which
/// also lets the window repaint.
class TQueryWatch : public QObject {
    Q_OBJECT
public:
    explicit TQueryWatch(QMainWindow& window);
    ~TQueryWatch() override;
    TQueryWatch(const TQueryWatch&) = delete;
    TQueryWatch& operator=(const TQueryWatch&) = delete;

    void Running(bool running);
    bool StopRequested();
    /// The offer in the status line, for tests; hidden while no query runs long.
    QPushButton* CancelButton() const { return cancel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void offer();
    void withdraw();

    QMainWindow& window_;
    QWidget* offer_;
    QPushButton* cancel_;
    QElapsedTimer runningFor_;
    bool running_ = false;
    bool offered_ = false;
    bool requested_ = false;
};

/// The time limit of the client's queries in seconds, from the settings file (section "Databank",
/// key "TijdslimietQuery"): 60 when absent or not a number, 0 for none.
int QueryTimeLimit(const QString& settingsFile);
/// The memory a report's statement may take (SQLite), in MB: [Databank] GeheugenlimietRapport in the
/// settings file, 1024 when absent, 0 for no limit.
int ReportMemoryLimit(const QString& settingsFile);
