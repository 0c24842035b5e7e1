// Start-up of the editor. The main window is not built yet: this window only shows that the program starts.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalite"));
    QLabel window(QStringLiteral("Corvalite"));
    window.setWindowTitle(QStringLiteral("Corvalite"));
    window.setAlignment(Qt::AlignCenter);
    window.resize(800, 600);
    window.show();
    return app.exec();
}
