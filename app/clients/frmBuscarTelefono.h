#pragma once

#include <QDialog>

class NumberBox;
class QLabel;
class QPushButton;
class frmIdentificador;

// A number typed by hand, taken exactly as a call from the modem: the main window's call
// reception looks it up (or adds the client), logs the call for this workstation and shows the
// caller. "&Aceptar" stays disabled while the box is empty, so no client without a number is
// made by accident.
class frmBuscarTelefono final : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MaxTelefono = 20;

    explicit frmBuscarTelefono(frmIdentificador& mainWindow);

private slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void txtTelefono_Change();

private:
    frmIdentificador& m_mainWindow;
    QLabel* Label10 = nullptr;
    NumberBox* txtTelefono = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
