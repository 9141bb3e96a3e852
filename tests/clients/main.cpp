#include "ClientEditorTest.h"
#include "MainWindowClientsTest.h"
#include "TestClassRunner.h"

#include <QApplication>

#include <memory>
#include <vector>

// Runs every test class; "test_clients CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<ClientEditorTest>());
    tests.push_back(std::make_unique<MainWindowClientsTest>());
    return runTestClasses(argc, argv, tests);
}
