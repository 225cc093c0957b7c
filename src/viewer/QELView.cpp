// QEL Viewer: shows a settings file as an outline.
#include "main.h"
#include "platform/application.h"

int main(int argc, char* argv[]) {
    qel::platform::TApplication application(argc, argv);
    application.Initialize();
    application.CreateForm(FrmMain);
    return application.Run();
}
