#include "DatabaseTestHelpers.h"
#include "TestClassRunner.h"

#include <QCoreApplication>

#include <vector>

// Runs every test class; "test_database CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(makeDatabaseFileTest());
    tests.push_back(makeDatabaseStatementsTest());
    tests.push_back(makeDatabaseRowsTest());
    return runTestClasses(argc, argv, tests);
}
