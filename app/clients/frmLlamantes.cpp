#include "frmLlamantes.h"

#include "MessageBox.h"
#include "NumberBox.h"
#include "TextLimit.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "database/Statements.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {
QString captionFor(int Modo)
{
    switch (Modo) {
    case 1:
        return QStringLiteral("Cliente");
    case 2:
        return QStringLiteral("Editar cliente");
    case 3:
        return QStringLiteral("Nuevo cliente");
    default:
        return {};
    }
}

const QString duplicateNumberText = QStringLiteral("El número de teléfono ya existe");
} // namespace

frmLlamantes::frmLlamantes(int Modo, DataControl& source, QWidget* parent, MainWindowHooks hooks)
    : QDialog(parent)
    , m_Modo(Modo)
    , m_source(source)
    , m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("frmLlamantes"));
    buildControls();
    Form_Load();
}

void frmLlamantes::buildControls()
{
    const auto label = [this](const QString& caption, const char* name = nullptr) {
        auto* shown = new QLabel(caption, this);
        if (name != nullptr)
            shown->setObjectName(QLatin1String(name));
        return shown;
    };

    lblTel = label(QStringLiteral("&Teléfono:"), "lblTel");
    txtTelefono = new NumberBox(MaxTelefono, this);
    txtTelefono->setObjectName(QStringLiteral("txtTelefono"));
    txtTelefono->setVisible(false);
    lblTelefono = label(QString(), "lblTelefono");
    lblTelefono->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QLabel* lblNombre = label(QStringLiteral("&Nombre:"));
    txtNombre = new QLineEdit(this);
    txtNombre->setObjectName(QStringLiteral("txtNombre"));
    txtNombre->setMaxLength(MaxNombre);
    lblNombre->setBuddy(txtNombre);

    QLabel* lblDomicilio = label(QStringLiteral("&Domicilio:"));
    txtDomicilio = new QLineEdit(this);
    txtDomicilio->setObjectName(QStringLiteral("txtDomicilio"));
    txtDomicilio->setMaxLength(MaxDomicilio);
    lblDomicilio->setBuddy(txtDomicilio);

    QLabel* lblObservaciones = label(QStringLiteral("&Observaciones:"));
    txtObservaciones = new QPlainTextEdit(this);
    txtObservaciones->setObjectName(QStringLiteral("txtObservaciones"));
    txtObservaciones->setTabChangesFocus(true);
    txtObservaciones->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtObservaciones->setFixedHeight(txtObservaciones->fontMetrics().lineSpacing() * 5 + 16);
    limitLength(txtObservaciones, MaxObservaciones);
    lblObservaciones->setBuddy(txtObservaciones);

    chkAlerta = new QCheckBox(QStringLiteral("Al&erta"), this);
    chkAlerta->setObjectName(QStringLiteral("chkAlerta"));

    cmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdAceptar->setObjectName(QStringLiteral("cmdAceptar"));
    cmdAceptar->setDefault(true);
    cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));

    lblFIngreso = label(QString(), "lblFIngreso");
    lblCant = label(QString(), "lblCant");
    // What the file holds is shown as it is, never as markup.
    for (QLabel* value : {lblTelefono, lblFIngreso, lblCant})
        value->setTextFormat(Qt::PlainText);

    auto* grid = new QGridLayout(this);
    // The number box, when shown, covers the number label.
    grid->addWidget(lblTel, 0, 0);
    grid->addWidget(lblTelefono, 0, 1);
    grid->addWidget(txtTelefono, 0, 1);
    grid->addWidget(lblNombre, 1, 0);
    grid->addWidget(txtNombre, 1, 1);
    grid->addWidget(lblDomicilio, 2, 0);
    grid->addWidget(txtDomicilio, 2, 1);
    grid->addWidget(lblObservaciones, 3, 0, 1, 2);
    grid->addWidget(txtObservaciones, 4, 0, 1, 2);
    grid->addWidget(chkAlerta, 5, 0, 1, 2);

    auto* facts = new QHBoxLayout;
    facts->addWidget(label(QStringLiteral("Ingreso:")));
    facts->addWidget(lblFIngreso);
    facts->addSpacing(16);
    facts->addWidget(label(QStringLiteral("Llamadas:")));
    facts->addWidget(lblCant);
    facts->addStretch(1);
    facts->addWidget(cmdAceptar);
    facts->addWidget(cmdCancelar);
    grid->addLayout(facts, 6, 0, 1, 2);
    grid->setColumnMinimumWidth(1, fontMetrics().averageCharWidth() * 42);

    setTabOrder(txtTelefono, txtNombre);
    setTabOrder(txtNombre, txtDomicilio);
    setTabOrder(txtDomicilio, txtObservaciones);
    setTabOrder(txtObservaciones, chkAlerta);
    setTabOrder(chkAlerta, cmdAceptar);
    setTabOrder(cmdAceptar, cmdCancelar);

    connect(cmdAceptar, &QPushButton::clicked, this, &frmLlamantes::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmLlamantes::cmdCancelar_Click);
}

void frmLlamantes::Form_Load()
{
    setWindowTitle(captionFor(m_Modo));
    if (m_Modo == 1 || m_Modo == 2) {
        // "&Teléfono:" moves on to the name: the number of a client on file cannot be changed.
        lblTel->setBuddy(txtNombre);
        loadClient();
    } else if (m_Modo == 3) {
        lblTel->setBuddy(txtTelefono);
        lblTelefono->setVisible(false);
        txtTelefono->setVisible(true);
        txtTelefono->clear();
        txtNombre->clear();
        txtDomicilio->clear();
        txtObservaciones->clear();
        lblCant->setText(QStringLiteral("0"));
        lblFIngreso->setText(DateText::regionalDate(QDate::currentDate()));
        chkAlerta->setChecked(false);
    }
    setFixedSize(sizeHint());
}

void frmLlamantes::loadClient()
{
    // The list's row as it stands in the file now, not as the list last read it.
    int error = m_source.hasCurrentRow() ? m_source.currentRowError() : DatabaseError::NoCurrentRow;
    ClientRecord client;
    if (error == DatabaseError::None) {
        m_ClienteActual = m_source.currentKey();
        error = readClient(m_source.databaseName(), m_ClienteActual, &client);
    }
    if (error == DatabaseError::NoCurrentRow || error == DatabaseError::RowDeleted) {
        MessageBox::show(this, QStringLiteral("El Cliente ha sido eliminado"),
                         MessageIcon::Exclamation);
        if (m_Modo == 1 && m_hooks.clienteEliminado)
            m_hooks.clienteEliminado();
    } else if (error != DatabaseError::None) {
        MessageBox::show(this, technicalSupportMessage(error));
    }
    if (error != DatabaseError::None) {
        m_CerrarAlActivar = true;
        return;
    }
    txtNombre->setText(client.details.Nombre);
    txtDomicilio->setText(client.details.Domicilio);
    lblTelefono->setText(client.Telefono);
    lblCant->setText(client.CantLlamadas ? QString::number(*client.CantLlamadas) : QString());
    lblFIngreso->setText(client.FIngreso.isValid() ? DateText::regionalDate(client.FIngreso)
                                                   : QString());
    txtObservaciones->setPlainText(client.details.Observaciones);
    chkAlerta->setChecked(client.details.Alerta);
}

int frmLlamantes::exec()
{
    if (m_CerrarAlActivar) {
        Form_Activate();
        return result();
    }
    return QDialog::exec();
}

void frmLlamantes::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_CerrarAlActivar)
        QTimer::singleShot(0, this, &frmLlamantes::Form_Activate);
}

void frmLlamantes::Form_Activate()
{
    if (!m_CerrarAlActivar)
        return;
    m_CerrarAlActivar = false;
    reject();
}

void frmLlamantes::cmdCancelar_Click()
{
    reject();
}

void frmLlamantes::cmdAceptar_Click()
{
    if (m_Modo < 1 || m_Modo > 3) {
        reject();
        return;
    }
    // An empty box gives an empty text, not Null.
    const ClientDetails details{txtNombre->text(), txtDomicilio->text(),
                                txtObservaciones->toPlainText(), chkAlerta->isChecked()};
    int error = DatabaseError::None;
    std::optional<qint64> cantLlamadas;
    if (m_Modo == 3) {
        if (!addNewClient(details, &error)) {
            MessageBox::show(this, duplicateNumberText, MessageIcon::Information);
            txtTelefono->setFocus();
            return;
        }
        cantLlamadas = 0;
    } else {
        error = saveClientDetails(m_source.databaseName(), m_ClienteActual, details, &cantLlamadas);
    }
    if (error != DatabaseError::None) {
        // Nothing was written; the form closes as after any failed save.
        MessageBox::show(this, conflictMessage(error));
        reject();
        return;
    }
    m_saved = true;
    tellOpener(details, cantLlamadas);
    accept();
}

bool frmLlamantes::addNewClient(const ClientDetails& details, int* error)
{
    // The number exactly as typed, the empty one included.
    const QString telefono = txtTelefono->text();
    DataControl s1;
    s1.setDatabaseName(m_source.databaseName());
    s1.setRecordSource(Statements::clientByTelephone(telefono));
    *error = s1.refresh();
    if (*error != DatabaseError::None)
        return true;
    if (!s1.isEmpty())
        return false;
    qint64 idCliente = 0;
    *error = addClient(s1, telefono, QDate::currentDate(), details, &idCliente);
    // Another workstation took the number between the look-up and the insert.
    if (*error == DatabaseError::DuplicateValue) {
        *error = DatabaseError::None;
        return false;
    }
    m_ClienteActual = idCliente;
    return true;
}

void frmLlamantes::tellOpener(const ClientDetails& details, std::optional<qint64> cantLlamadas)
{
    if (m_Modo == 3)
        return; // the list requeries to take the new client in
    // Only while the opener is still on this client: in Modo 1 a newer call may have replaced it.
    if (!m_source.hasCurrentRow() || m_source.currentKey() != m_ClienteActual)
        return;
    // The row read again, so whatever shows it shows the saved values.
    m_source.seek(m_ClienteActual);
    if (m_Modo == 1 && m_hooks.Mostrar) {
        const QTime now = QTime::currentTime();
        m_hooks.Mostrar(
            CallerNotice{lblTelefono->text(), QDate::currentDate(),
                         QTime(now.hour(), now.minute(), now.second()), details.Nombre,
                         details.Domicilio, details.Observaciones, details.Alerta,
                         QStringLiteral("Cant: ") +
                             (cantLlamadas ? QString::number(*cantLlamadas) : QString())});
    }
}
