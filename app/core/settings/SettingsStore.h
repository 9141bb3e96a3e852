#pragma once

#include "database/ServerAddress.h"

#include <QString>

// The values the program keeps in the per-user settings store.
enum class SettingKey
{
    Puerto,      // "Puerto": serial port number, "1" to "16"
    Puesto,      // "Puesto": this workstation's number, "1" to "10"
    ActivarCID,  // "ActivarCID": "1" switches identification on at load
    BaseDeDatos, // "Base de datos": folder of the database file
    Servidor,    // "Servidor": the database server; when set, "Base de datos" is not used
};

// Per-user settings of one installation, addressed by application name (title + "-" + program
// folder), section "Properties" and key.
//
// Where they live: one INI file per application name,
//   <config home>/Llamora/<application name, percent-encoded>.ini   with the section [Properties]
// where <config home> is QStandardPaths::GenericConfigLocation ($XDG_CONFIG_HOME, by default
// ~/.config). Percent-encoding (RFC 3986, keeping only letters, digits and "-._~") keeps "/",
// blanks, "=" and "%" of the folder from breaking the address; a name too long for one file name
// is cut and completed with a SHA-1 of the whole name. Example: the folder /opt/llamora gives
// ~/.config/Llamora/Llamora-%2Fopt%2Fllamora.ini.
//
// The file is opened afresh at each access, so a change made by another part of the program (or
// another instance) is always seen. A failed write is the caller's to report: writeProblem() says
// why, in the user's words.
class SettingsStore
{
public:
    explicit SettingsStore(QString programFolder);

    [[nodiscard]] QString read(SettingKey key, const QString& defaultValue) const;
    // False when the file could not be written.
    bool write(SettingKey key, const QString& value);
    // Why the file cannot be written: a part of its path that is no folder, or the file or folder
    // this user may not write ("sin permiso de escritura en la carpeta «...»").
    [[nodiscard]] QString writeProblem() const;
    // The same for any file the program keeps beside its settings (the port table).
    [[nodiscard]] static QString writeProblemFor(const QString& filePath);

    // Typed access: each reader's default is the empty text unless it passes its own
    // (the activation reads "Puesto" with "1").
    [[nodiscard]] QString puerto(const QString& defaultValue = QString()) const;
    [[nodiscard]] QString puesto(const QString& defaultValue = QString()) const;
    [[nodiscard]] QString activarCID(const QString& defaultValue = QString()) const;
    [[nodiscard]] QString baseDeDatos(const QString& defaultValue = QString()) const;
    void setPuerto(const QString& value) { write(SettingKey::Puerto, value); }
    void setPuesto(const QString& value) { write(SettingKey::Puesto, value); }
    void setActivarCID(const QString& value) { write(SettingKey::ActivarCID, value); }
    void setBaseDeDatos(const QString& value) { write(SettingKey::BaseDeDatos, value); }
    // The server as stored (never with a password); not set when none is stored. An address
    // that is not set clears it, and the shared file counts again.
    [[nodiscard]] ServerAddress servidor() const;
    bool setServidor(const ServerAddress& address);

    [[nodiscard]] QString programFolder() const { return m_programFolder; }
    // The title, "-", then the program folder exactly as given.
    [[nodiscard]] static QString applicationName(const QString& programFolder);
    // The INI file that holds this installation's settings.
    [[nodiscard]] QString filePath() const;
    [[nodiscard]] static QString filePathFor(const QString& programFolder);
    // The application name as it appears in file names, without a suffix: other files of one
    // installation (the outbox of calls not yet logged) are named the same way.
    [[nodiscard]] static QString encodedApplicationName(const QString& programFolder);

    [[nodiscard]] static QString section() { return QStringLiteral("Properties"); }
    [[nodiscard]] static QString storedName(SettingKey key);

private:
    QString m_programFolder;
};
