// Start-up of the editor: the file size limit's signal is ignored (so a limit fails a save instead of
// ending the program), the engine's URL schemes and the settings file come first, then the application
// object, then the main window; the message loop runs until the main window closes. The command line
// names no file.
#include "IniUtils.h"
#include "NameSpace.h"
#include "SafeSave.h"
#include "UnitMain.h"

int main(int argc, char** argv)
{
    IgnoreFileSizeLimitSignal();
    RegisterEditorSchemes();
    TApplication app(argc, argv);
    ConfigIni();

    TFormMain formMain;
    formMain.show();
    return app.exec();
}
