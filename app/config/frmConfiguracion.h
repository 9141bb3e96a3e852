#pragma once

#include "LineSettings.h"
#include "PortTable.h"
#include "database/ServerAddress.h"
#include "settings/ProgramValues.h"

#include <QDialog>
#include <QList>

#include <memory>

class FolderChooser;
class Lineo;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class SipLine;
struct ServerProbe;

// The configuration wizard: the caller-ID line, either the serial port of a modem (with
// detection through the main window's line control) or a SIP account (with a trial
// registration), the shared database (a folder, or an office's database server with a trial
// connection), workstation number, switch-on at start
// and start with the session. Nothing is stored before "Finalizar"; "Cancelar" stores nothing.
class frmConfiguracion : public QDialog
{
    Q_OBJECT

public:
    // Lineo1 is the main window's line control: the detection drives it and leaves it switched off
    // on the port just tried. programFolder addresses the settings. With no folder stored, the
    // wizard offers dataFolder when it exists (the installed package's shared folder), else the
    // program folder.
    frmConfiguracion(Lineo& Lineo1, const QString& programFolder, QWidget* parent = nullptr,
                     const QString& dataFolder = packagedDataFolder());
    ~frmConfiguracion() override;

    // Esc, the close box and "Cancelar" end here.
    void reject() override;

private slots:
    void cboPort_Click();
    void cmdAtras_Click();
    void cmdSiguiente_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void SSTab1_Click();
    void cmdAsignar_Click();
    void optFuente_Click();
    void cmdProbar_Click();
    void optBase_Click();
    void cmdProbarBase_Click();

private:
    // The widgets (frmConfiguracionWidgets.cpp).
    void buildModemTab(QWidget* frame);
    void buildDatabaseTab(QWidget* frame);
    void buildGeneralTab(QWidget* frame);
    void buildStepTexts();
    void buildButtons();

    // The line's source and the SIP account (frmConfiguracionSip.cpp).
    QWidget* buildLineChoice(QWidget* frame);
    void buildSipPage(QWidget* page);
    void loadLineSettings();
    [[nodiscard]] LineSettings lineSettingsFromForm() const;
    [[nodiscard]] bool sipChosen() const;
    bool checkLineSettings();
    bool storeLineSettings();
    void showProbeResult(bool registered, const QString& text);

    // The database's place: a shared folder or a server (frmConfiguracionServer.cpp).
    QWidget* buildDatabaseChoice(QWidget* frame);
    void buildServerPage(QWidget* page);
    void loadServerSettings();
    [[nodiscard]] bool serverChosen() const;
    [[nodiscard]] ServerAddress serverAddressFromForm() const;
    ServerProbe probeFormServer();
    // The server answers with the program's tables, and a password typed is kept in ~/.pgpass.
    bool VerificaServidor();

    // Loading, the steps and finishing (frmConfiguracion.cpp).
    void Form_Load();
    void CargaConfiguracion();
    void MuestraPaso(quint8 step);
    bool VerificaBaseDatos();
    [[nodiscard]] QString defaultFolder() const;

    // The port list, its devices and the detection (frmConfiguracionModem.cpp).
    bool DetectaCID();
    [[nodiscard]] int selectedPort() const;
    void showPortDevices();
    void showDetected(bool detected);

    // Start with the session (frmConfiguracionSession.cpp).
    void AgregaInicioWindows();
    void QuitaInicioWindows();
    bool EstaEnInicioWindows();
    [[nodiscard]] QString programFilePath() const;

    Lineo& m_Lineo1;
    const QString m_programFolder;
    const QString m_dataFolder;
    PortTable m_ports;
    const PortTable m_portsAtOpening;
    bool m_portsChanged = false;

    QTabWidget* SSTab1 = nullptr;
    QList<QWidget*> fraSettings;
    QLabel* Label1 = nullptr;
    QComboBox* cboPort = nullptr;
    QLabel* lblDispositivo = nullptr;
    QComboBox* cboDispositivo = nullptr;
    QPushButton* cmdAsignar = nullptr;
    QGroupBox* Frame7 = nullptr;
    QLabel* lblDetectado = nullptr;
    FolderChooser* Dir1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblActual = nullptr;
    QGroupBox* Frame1 = nullptr;
    QCheckBox* chkActivar = nullptr;
    QCheckBox* chkInicio = nullptr;
    QLabel* lblPuesto = nullptr;
    QComboBox* cboPuesto = nullptr;
    QLabel* lblmsg = nullptr;
    QLabel* lblMsg1 = nullptr;
    QLabel* lblMsg2 = nullptr;
    QPushButton* cmdAtras = nullptr;
    QPushButton* cmdSiguiente = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    QRadioButton* optModem = nullptr;
    QRadioButton* optSip = nullptr;
    QStackedWidget* stkFuente = nullptr;
    QLineEdit* txtServidor = nullptr;
    QSpinBox* txtPuertoSip = nullptr;
    QComboBox* cboTransporte = nullptr;
    QLineEdit* txtUsuario = nullptr;
    QLineEdit* txtUsuarioAut = nullptr;
    QLineEdit* txtClave = nullptr;
    QLineEdit* txtPrefijo = nullptr;
    QPushButton* cmdProbar = nullptr;
    QLabel* lblRegistro = nullptr;
    QRadioButton* optCarpeta = nullptr;
    QRadioButton* optServidor = nullptr;
    QStackedWidget* stkBase = nullptr;
    QLineEdit* txtEquipo = nullptr;
    QSpinBox* txtPuertoServidor = nullptr;
    QLineEdit* txtBase = nullptr;
    QLineEdit* txtUsuarioBase = nullptr;
    QLineEdit* txtClaveBase = nullptr;
    QComboBox* cboSsl = nullptr;
    QPushButton* cmdProbarBase = nullptr;
    QLabel* lblServidor = nullptr;
    LineSettings m_lineAtOpening;
    std::unique_ptr<SipLine> m_probe;
};
