#include "frmBuscarTelefono.h"

#include "NumberBox.h"
#include "PictureButton.h"
#include "ProgramInfo.h"
#include "frmIdentificador.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmBuscarTelefono::frmBuscarTelefono(frmIdentificador& mainWindow)
    : QDialog(&mainWindow)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmBuscarTelefono"));
    setWindowTitle(ProgramInfo::title());

    Label10 = new QLabel(QStringLiteral("Número telefónico"), this);
    Label10->setObjectName(QStringLiteral("Label10"));
    txtTelefono = new NumberBox(MaxTelefono, this);
    txtTelefono->setObjectName(QStringLiteral("txtTelefono"));
    txtTelefono->setMinimumWidth(txtTelefono->fontMetrics().averageCharWidth() * (MaxTelefono + 4));
    cmdOK = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setEnabled(false);
    cmdCancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label10);
    layout->addWidget(txtTelefono);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());

    connect(txtTelefono, &QLineEdit::textChanged, this, &frmBuscarTelefono::txtTelefono_Change);
    connect(cmdOK, &QPushButton::clicked, this, &frmBuscarTelefono::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmBuscarTelefono::cmdCancel_Click);
}

void frmBuscarTelefono::txtTelefono_Change()
{
    cmdOK->setEnabled(!txtTelefono->text().trimmed().isEmpty());
}

void frmBuscarTelefono::cmdOK_Click()
{
    const QString number = txtTelefono->text().trimmed();
    if (number.isEmpty())
        return;
    m_mainWindow.Recibe_llamada(number);
    accept();
    if (m_mainWindow.cmdLlamante()->isEnabled())
        m_mainWindow.cmdLlamante()->setFocus();
}

void frmBuscarTelefono::cmdCancel_Click()
{
    reject();
}
