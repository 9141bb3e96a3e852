#include "CallerIdParserTest.h"
#include "LineoFakePortTest.h"
#include "LineoModemTest.h"
#include "SipLineTest.h"
#include "TestClassRunner.h"

#include <QCoreApplication>

#include <memory>
#include <vector>

// Runs every test class; "test_line CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<CallerIdParserTest>());
    tests.push_back(std::make_unique<LineoFakePortTest>());
    tests.push_back(std::make_unique<LineoModemTest>());
    tests.push_back(std::make_unique<SipLineTest>());

    return runTestClasses(argc, argv, tests);
}
