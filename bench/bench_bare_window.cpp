// The floor of the client's start-up: a bare Qt main window of the client's size (menu bar, a tab
// widget, status bar), shown off screen until its event loop has no more work, then drawn into a
// PNG, as `vorn --screenshot` does with the real window.
//   bench_bare_window FILE.png
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QMainWindow window;
    for (const char* title : {"&Bestand", "Be&werken", "&Statistieken", "&Hulpschermen", "Hel&p"})
        window.menuBar()->addMenu(QString::fromUtf8(title));
    window.setCentralWidget(new QTabWidget);
    window.statusBar()->showMessage(QStringLiteral("Werkdatum"));
    window.resize(1100, 760);
    window.show();
    QEventLoop idle;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &idle,
                     &QEventLoop::quit);
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
    return window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
