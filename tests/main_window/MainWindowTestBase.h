#pragma once

// The main window's tests: a fresh program folder and main window for every test.

#include "Lineo.h"
#include "MainWindowFixture.h"
#include "TestEnvironment.h"

#include <QTest>

#include <memory>

// The pictures the seven hover buttons show, in the order cmdBasedeDatos, cmdManual,
// cmdLlamante, cmdPostIt, cmdMenu, cmdAyuda, cmdMin.
inline QList<int> pictureState(const MainWindowFixture& f)
{
    QList<int> state;
    for (const char* name : {"cmdBasedeDatos", "cmdManual", "cmdLlamante", "cmdPostIt", "cmdMenu",
                             "cmdAyuda", "cmdMin"})
        state << f.shownPicture(name);
    return state;
}

inline const QList<int> NormalPictures = {0, 2, 4, 6, 10, 12, 14};

// Each test gets its own window: f and w point into it.
class MainWindowTestBase : public QObject
{
    Q_OBJECT

protected:
    // Each test gets a fresh program folder and main window; f and w point into them.
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<MainWindowFixture> m_fixture;
    MainWindowFixture* f = nullptr;
    frmIdentificador* w = nullptr;

    [[nodiscard]] bool showWindow()
    {
        w->show();
        return QTest::qWaitForWindowExposed(w);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_fixture = std::make_unique<MainWindowFixture>(m_env->programFolder());
        f = m_fixture.get();
        w = f->window.get();
    }
    void cleanup()
    {
        m_fixture.reset();
        m_env.reset();
    }
};

// Each makes one test class; main runs them in turn.
std::unique_ptr<QObject> makeMainWindowLooksTest();
std::unique_ptr<QObject> makeMainWindowTrayTest();
std::unique_ptr<QObject> makeMainWindowMenusTest();
