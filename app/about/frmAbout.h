#pragma once

#include "SystemInformation.h"

#include <QDialog>
#include <QIcon>
#include <QList>

class QLabel;
class QPushButton;

// "Acerca de Llamora": the program's icon, title, version and maker, the maker's e-mail and
// web addresses (opened by the desktop's own mail program and browser), and a button that
// starts the system's information program.
class frmAbout final : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(const QIcon& icon, QWidget* parent = nullptr,
                      SystemInformation systemInformation = SystemInformation());

    [[nodiscard]] QLabel* lblTitle() const { return m_lblTitle; }
    [[nodiscard]] QLabel* lblVersion() const { return m_lblVersion; }
    [[nodiscard]] QLabel* lblDescription() const { return m_lblDescription; }
    // Index 0 the e-mail address, 1 the web address.
    [[nodiscard]] QLabel* lblLink(int index) const { return m_lblLink.value(index); }
    [[nodiscard]] QPushButton* cmdOK() const { return m_cmdOK; }
    [[nodiscard]] QPushButton* cmdSysInfo() const { return m_cmdSysInfo; }

public slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void lblLink_Click(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void StartSysInfo();
    void addLink(int index, const QString& text);

    SystemInformation m_systemInformation;
    QLabel* m_Image1 = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblDescription = nullptr;
    QLabel* m_lblDisclaimer = nullptr;
    QList<QLabel*> m_lblLink;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdSysInfo = nullptr;
};
