#pragma once

// The configuration wizard on real widgets: what its tests share.
#include "Autostart.h"
#include "FolderChooser.h"
#include "Lineo.h"
#include "MessageBox.h"
#include "ModemSimulator.h"
#include "OrdinaryUser.h"
#include "PortTable.h"
#include "SerialDeviceChoices.h"
#include "TestEnvironment.h"
#include "frmConfiguracion.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace std::chrono_literals;

inline const QString detectedText = QStringLiteral("Detectado");
inline const QString notDetectedText = QStringLiteral("Sin detectar");
inline const QString missingDatabaseText =
    QStringLiteral("La Base de Datos no se encuentra en la ubicación indicada !");

// The user's pick in a drop-down list.
inline void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

inline QColor textColour(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

// The access keys of the wizard's visible controls and of its tabs. A key used twice only moves
// the focus between its controls instead of pressing one.
inline QStringList accessKeys(const QWidget* window, const QTabWidget* tabs)
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts.append(tabs->tabText(i));
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            texts.append(button->text());
        else if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->buddy())
            texts.append(label->text());
    }
    QStringList keys;
    for (const QString& text : std::as_const(texts)) {
        static const QRegularExpression key(QStringLiteral("(?<!&)&([^&])"));
        const QRegularExpressionMatch match = key.match(text);
        if (match.hasMatch())
            keys.append(match.captured(1).toLower());
    }
    return keys;
}

// Counts the detections the wizard runs on the line control, and the ports they used.
class DetectionLog : public QObject
{
public:
    explicit DetectionLog(Lineo& lineo)
    {
        connect(&lineo, &Lineo::propertyChanged, this, [this, &lineo](const QString& name) {
            if (name == QLatin1String("Puerto"))
                ports.append(lineo.Puerto());
        });
    }
    QList<int> ports;
};

// Opens the wizard on a fresh program folder whose ports lead nowhere until a test points one at
// the modem simulator.
class ConfigWizardTestBase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

protected:
    // dataFolder: the installed package's shared folder; none unless a test makes one, so the
    // machine's own never counts.
    std::unique_ptr<frmConfiguracion> openWizard(const QString& dataFolder = QString());
    template <typename T>
    T* control(const char* name) const
    {
        T* widget = m_wizard ? m_wizard->findChild<T*>(QLatin1String(name)) : nullptr;
        if (!widget)
            qFatal("control %s not found", name);
        return widget;
    }
    [[nodiscard]] QString stored(SettingKey key) const
    {
        return SettingsStore(m_env->programFolder()).read(key, QStringLiteral("<missing>"));
    }
    void finish() { control<QPushButton>("cmdOK")->click(); }
    bool startModem(ModemSimulator& modem, const QStringList& options, int port = 0);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Lineo> m_lineo;
    frmConfiguracion* m_wizard = nullptr;
    int m_modems = 0;
    QStringList m_modemLinks;
};

// Each makes one test class; main runs them in turn.
std::unique_ptr<QObject> makeConfigPortsTest();
std::unique_ptr<QObject> makeConfigFinishTest();
std::unique_ptr<QObject> makeConfigStepsTest();
