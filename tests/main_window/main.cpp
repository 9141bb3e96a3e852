#include "MainWindowTestBase.h"
#include "TestClassRunner.h"

#include <QApplication>

#include <vector>

// Runs every test class; "test_main_window CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(makeMainWindowLooksTest());
    tests.push_back(makeMainWindowTrayTest());
    tests.push_back(makeMainWindowMenusTest());
    return runTestClasses(argc, argv, tests);
}
