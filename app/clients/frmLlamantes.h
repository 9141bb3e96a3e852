#pragma once

#include "reception/ReceptionResult.h"

#include <QDialog>

#include <functional>
#include <optional>

class DataControl;
struct ClientDetails;
class NumberBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The client editor: one client's name, address, remarks and alert, or a new client with a
// number of its own. It holds no lock while it is open: it reads the client afresh when it
// loads and writes through a connection of its own when it saves.
//
//   Modo 1 "Cliente":        the main window's datLlamada, on the last caller;
//   Modo 2 "Editar cliente": a list of clients, on its current row;
//   Modo 3 "Nuevo cliente":  a new client; the list is the one that will take it in.
class frmLlamantes final : public QDialog
{
    Q_OBJECT

public:
    // What the main window does around Modo 1.
    struct MainWindowHooks
    {
        // Shows the saved client on the caller notice (Parlux1.Mostrar).
        std::function<void(const CallerNotice&)> Mostrar;
        // The last caller has been deleted: datLlamada is read again and the client button
        // disabled, so it cannot be opened from there again.
        std::function<void()> clienteEliminado;
    };

    static constexpr int MaxTelefono = 20;
    static constexpr int MaxNombre = 50;
    static constexpr int MaxDomicilio = 50;
    static constexpr int MaxObservaciones = 200;

    // Loads the form for Modo from source (Form_Load); a load that failed has shown its message
    // and leaves the form to close at once (see exec()). The database file is source's.
    frmLlamantes(int Modo, DataControl& source, QWidget* parent = nullptr,
                 MainWindowHooks hooks = {});

    [[nodiscard]] qint64 ClienteActual() const { return m_ClienteActual; }
    // True once a save went through.
    [[nodiscard]] bool saved() const { return m_saved; }

    // A form whose load failed closes at once instead of showing itself.
    int exec() override;

private slots:
    void cmdAceptar_Click();
    void cmdCancelar_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void Form_Activate();
    void loadClient();
    // Mode 3: the new client, unless its number is taken. False when it stays open for the
    // number; otherwise *error is 0 or the engine error.
    bool addNewClient(const ClientDetails& details, int* error);
    void tellOpener(const ClientDetails& details, std::optional<qint64> cantLlamadas);

    const int m_Modo;
    DataControl& m_source;
    MainWindowHooks m_hooks;
    qint64 m_ClienteActual = 0;
    bool m_CerrarAlActivar = false;
    bool m_saved = false;

    QLabel* lblTel = nullptr;
    NumberBox* txtTelefono = nullptr;
    QLabel* lblTelefono = nullptr;
    QLineEdit* txtNombre = nullptr;
    QLineEdit* txtDomicilio = nullptr;
    QPlainTextEdit* txtObservaciones = nullptr;
    QCheckBox* chkAlerta = nullptr;
    QPushButton* cmdAceptar = nullptr;
    QPushButton* cmdCancelar = nullptr;
    QLabel* lblFIngreso = nullptr;
    QLabel* lblCant = nullptr;
};
