#pragma once

#include <QDateTime>
#include <QDialog>

#include <functional>

class CallReception;
class DataControl;
class DesktopItems;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Post It": the user writes a note, optionally headed by the last caller's data, and it goes
// onto the desktop as a small coloured page.
class frmTextoPostit final : public QDialog
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    static constexpr int maxLength = 500;

    // datLlamada and reception are the main window's: the current caller's client row and the
    // texts kept of the last call. All of them outlive the dialog.
    frmTextoPostit(DesktopItems& desktop, const QString& programFolder,
                   const DataControl& datLlamada, const CallReception& reception,
                   QWidget* parent = nullptr);

    // Set before the dialog is shown: a current caller exists.
    bool HayDatosLlamada = false;

    void setClock(Clock clock) { m_clock = std::move(clock); }

    [[nodiscard]] QPlainTextEdit* txtTexto() const { return m_txtTexto; }
    [[nodiscard]] QCheckBox* chkDatos() const { return m_chkDatos; }
    [[nodiscard]] QPushButton* cmdAceptar() const { return m_cmdAceptar; }
    [[nodiscard]] QPushButton* cmdCancelar() const { return m_cmdCancelar; }

public slots:
    void cmdAceptar_Click();
    void cmdCancelar_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void PublicaEnEscritorio(const QString& path, bool allowSwitchOn);

    DesktopItems& m_desktop;
    QString m_programFolder;
    const DataControl& m_datLlamada;
    const CallReception& m_reception;
    Clock m_clock;
    bool m_loaded = false;

    QLabel* m_lblLabels = nullptr;
    QPlainTextEdit* m_txtTexto = nullptr;
    QCheckBox* m_chkDatos = nullptr;
    QPushButton* m_cmdAceptar = nullptr;
    QPushButton* m_cmdCancelar = nullptr;
};
