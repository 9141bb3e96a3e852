#include "frmTextoPostit.h"

#include "DesktopItems.h"
#include "MessageBox.h"
#include "NotePage.h"
#include "TextLimit.h"
#include "database/DataControl.h"
#include "reception/CallReception.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmTextoPostit::frmTextoPostit(DesktopItems& desktop, const QString& programFolder,
                               const DataControl& datLlamada, const CallReception& reception,
                               QWidget* parent)
    : QDialog(parent)
    , m_desktop(desktop)
    , m_programFolder(programFolder)
    , m_datLlamada(datLlamada)
    , m_reception(reception)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("frmTextoPostit"));
    setWindowTitle(QStringLiteral("Post It"));
    setModal(true);

    m_lblLabels = new QLabel(QStringLiteral("Te&xto"), this);
    m_lblLabels->setObjectName(QStringLiteral("lblLabels"));
    m_txtTexto = new QPlainTextEdit(this);
    m_txtTexto->setObjectName(QStringLiteral("txtTexto"));
    m_txtTexto->setFont(QFont(QStringLiteral("Arial")));
    m_txtTexto->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtTexto->setTabChangesFocus(true);
    m_lblLabels->setBuddy(m_txtTexto);
    m_chkDatos = new QCheckBox(QStringLiteral("&Datos de llamada"), this);
    m_chkDatos->setObjectName(QStringLiteral("chkDatos"));
    m_cmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    m_cmdAceptar->setObjectName(QStringLiteral("cmdAceptar"));
    m_cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    m_cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    // Enter belongs to the text; only Esc has a button of its own.
    m_cmdAceptar->setAutoDefault(false);
    m_cmdCancelar->setAutoDefault(false);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdAceptar);
    buttons->addWidget(m_cmdCancelar);
    buttons->addStretch(1);
    auto* text = new QVBoxLayout;
    text->addWidget(m_lblLabels);
    text->addWidget(m_txtTexto, 1);
    text->addWidget(m_chkDatos);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(text, 1);
    layout->addLayout(buttons);
    resize(420, 220);

    limitLength(m_txtTexto, maxLength);
    connect(m_cmdAceptar, &QPushButton::clicked, this, &frmTextoPostit::cmdAceptar_Click);
    connect(m_cmdCancelar, &QPushButton::clicked, this, &frmTextoPostit::cmdCancelar_Click);
}

void frmTextoPostit::showEvent(QShowEvent* event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QDialog::showEvent(event);
}

void frmTextoPostit::Form_Load()
{
    // The grey state says "no caller" and is the program's alone: the user only checks and
    // unchecks the box.
    if (HayDatosLlamada) {
        m_chkDatos->setTristate(false);
        m_chkDatos->setCheckState(Qt::Unchecked);
        m_chkDatos->setEnabled(true);
    } else {
        m_chkDatos->setTristate(true);
        m_chkDatos->setCheckState(Qt::PartiallyChecked);
        m_chkDatos->setEnabled(false);
    }
    m_txtTexto->setFocus();
}

void frmTextoPostit::cmdAceptar_Click()
{
    quint8 Datos = static_cast<quint8>(m_chkDatos->checkState() == Qt::Checked     ? 1
                                       : m_chkDatos->checkState() == Qt::Unchecked ? 0
                                                                                   : 2);
    QString Nom;
    QString Dir;
    QString Tel;
    QString Fecha;
    if (Datos == NotePage::ConDatos) {
        // The caller's record may have gone meanwhile: the page is then written without it.
        if (m_datLlamada.currentRowError() == 0) {
            Nom = m_datLlamada.field(QStringLiteral("Nombre")).toString();
            Dir = m_datLlamada.field(QStringLiteral("Domicilio")).toString();
            Tel = m_datLlamada.field(QStringLiteral("Telefono")).toString();
            Fecha = m_reception.callDateText() + QLatin1Char(' ') + m_reception.callTimeText();
        } else {
            Datos = 0;
        }
    }
    const QString folder = NotePage::carpetaNotas(m_programFolder);
    NotePage::CreaCarpeta(folder);
    const QString Fondo = NotePage::digitosColor(NotePage::Color_Papel());
    const std::optional<QString> path = NotePage::Archivo_HTML(
        folder, Datos, m_txtTexto->toPlainText(), Nom, Dir, Tel, Fecha, Fondo, m_clock());
    if (!path) {
        MessageBox::show(this,
                         QStringLiteral("No se pudo guardar la nota en «%1». Compruebe que la "
                                        "carpeta exista, que tenga permiso de escritura y que el "
                                        "disco no esté lleno.")
                             .arg(QDir::toNativeSeparators(folder)),
                         MessageIcon::Exclamation);
        return;
    }
    PublicaEnEscritorio(*path, true);
    accept();
}

void frmTextoPostit::cmdCancelar_Click()
{
    reject();
}

void frmTextoPostit::PublicaEnEscritorio(const QString& path, bool allowSwitchOn)
{
    if (!m_desktop.isActive() && allowSwitchOn)
        m_desktop.activate();
    if (!m_desktop.isActive() || m_desktop.addItem(path) != DesktopItems::AddResult::Shown)
        MessageBox::show(this, QStringLiteral("No se puede mostrar la nota en el escritorio"),
                         MessageIcon::None);
}
