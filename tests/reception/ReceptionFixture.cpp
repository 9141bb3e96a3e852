#include "ReceptionFixture.h"

#include <QLocale>
#include <QTest>

void ReceptionTestBase::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
}

void ReceptionTestBase::cleanup()
{
    m_env.reset();
}
