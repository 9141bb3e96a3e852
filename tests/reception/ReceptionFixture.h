#pragma once

// Call reception and the start-up's decisions on real copies of the empty database: what their
// tests share.

#include "TestEnvironment.h"

#include <QObject>

#include <memory>

// A fresh temporary environment for every test, in the Argentine locale.
class ReceptionTestBase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

protected:
    [[nodiscard]] QString folder(const char* name) const
    {
        return m_env->makeFolder(QLatin1String(name));
    }
    std::unique_ptr<TestEnvironment> m_env;
};

// Each makes one test class; main runs them in turn.
std::unique_ptr<QObject> makeCallReceptionTest();
std::unique_ptr<QObject> makeStartupDecisionsTest();
