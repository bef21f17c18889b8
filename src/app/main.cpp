#include "Connection.h"
#include "Messages.h"
#include "ProgramState.h"
#include "StartupSequence.h"
#include "TMainForm.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Messages::installLogHandlerFromEnvironment();

    StartupHooks hooks;
    hooks.createDataModules = [] { Connection::open(program().db); };
    hooks.createMainWindow = [] { return std::make_unique<TMainForm>(); };
    hooks.destroyDataModules = [] { Connection::close(); };
    return StartupSequence().run(hooks);
}
