// Start-up of the editor: the settings file and the engine's URL schemes come first, then the
// application object, then the main window; the message loop runs until the main window closes.
#include "IniUtils.h"
#include "NameSpace.h"
#include "UnitMain.h"

#include <QApplication>
#include <exception>

namespace {

// An exception that reaches the message loop is dropped without a message and the program goes on.
class TApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception&) {
            return false;
        } catch (...) {
            return false;
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    RegisterEditorSchemes();
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalite"));
    ConfigIni();

    TFormMain formMain;
    formMain.show();
    return app.exec();
}
