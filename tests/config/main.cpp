#include "ConfigWizardFixture.h"
#include "TestClassRunner.h"

#include <QApplication>

#include <vector>

// Runs every test class; "test_config CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(makeConfigPortsTest());
    tests.push_back(makeConfigFinishTest());
    tests.push_back(makeConfigStepsTest());
    return runTestClasses(argc, argv, tests);
}
