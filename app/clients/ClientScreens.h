#pragma once

#include "ClientEditorOpener.h"

class frmIdentificador;

// The client screens as the main window's buttons open them.
namespace ClientScreens {
// cmdLlamante: the client editor in Modo 1, on the last caller.
void openCallerEditor(frmIdentificador& mainWindow);
// cmdManual: the search by number.
void openNumberSearch(frmIdentificador& mainWindow);
} // namespace ClientScreens

// The client editor as a list of clients opens it (Modo 2 and 3).
class ClientEditor final : public ClientEditorOpener
{
public:
    bool openClientEditor(int modo, DataControl& datClientes, QWidget* parent) override;
};
