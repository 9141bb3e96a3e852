#include "ReceptionFixture.h"
#include "TestClassRunner.h"

#include <QCoreApplication>

#include <vector>

// Runs every test class; "test_reception CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(makeCallReceptionTest());
    tests.push_back(makeStartupDecisionsTest());
    return runTestClasses(argc, argv, tests);
}
