#pragma once

class DataControl;
class QWidget;

// How a list of clients opens the client editor without knowing the editor's window: on the
// list's current row (Modo 2, "Editar cliente") or for a new client (Modo 3, "Nuevo cliente").
class ClientEditorOpener
{
public:
    virtual ~ClientEditorOpener() = default;

    // Shows the editor modally over parent and returns once it has closed. True when it saved,
    // so the list re-reads its rows (Modo 2) or requeries to take in the new row (Modo 3).
    virtual bool openClientEditor(int modo, DataControl& datClientes, QWidget* parent) = 0;
};
