#include "ProgramWindowsFixture.h"
#include "TestClassRunner.h"

#include <vector>

// Runs every test class; "test_program_windows CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(makeProgramStartTest());
    tests.push_back(makeProgramCallsTest());
    tests.push_back(makeProgramMenusTest());
    return runTestClasses(argc, argv, tests);
}
