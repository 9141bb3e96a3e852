#include "CallReceptionTest.h"
#include "StartupTest.h"
#include "TestClassRunner.h"

#include <QCoreApplication>

#include <memory>
#include <vector>

// Runs every test class; "test_reception CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<CallReceptionTest>());
    tests.push_back(std::make_unique<StartupTest>());

    return runTestClasses(argc, argv, tests);
}
