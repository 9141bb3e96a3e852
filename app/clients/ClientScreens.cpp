#include "ClientScreens.h"

#include "Parlux.h"
#include "PictureButton.h"
#include "database/DataControl.h"
#include "frmBuscarTelefono.h"
#include "frmIdentificador.h"
#include "frmLlamantes.h"

namespace ClientScreens {

void openCallerEditor(frmIdentificador& mainWindow)
{
    frmLlamantes::MainWindowHooks hooks;
    hooks.Mostrar = [&mainWindow](const CallerNotice& notice) {
        mainWindow.Parlux1()->Mostrar(notice.Num, notice.F, notice.H, notice.Nom, notice.Dom,
                                      notice.Ob, notice.Al, notice.N);
    };
    hooks.clienteEliminado = [&mainWindow] {
        mainWindow.datLlamada()->refresh();
        mainWindow.cmdLlamante()->setEnabled(false);
    };
    frmLlamantes editor(1, *mainWindow.datLlamada(), &mainWindow, std::move(hooks));
    editor.exec();
}

void openNumberSearch(frmIdentificador& mainWindow)
{
    frmBuscarTelefono search(mainWindow);
    search.exec();
}

} // namespace ClientScreens

bool ClientEditor::openClientEditor(int modo, DataControl& datClientes, QWidget* parent)
{
    frmLlamantes editor(modo, datClientes, parent);
    editor.exec();
    return editor.saved();
}
